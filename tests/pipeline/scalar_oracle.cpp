#include "scalar_oracle.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

enum Colour { kRed, kGreen, kBlue };

// The bordered image: samples outside the region come from the mirror
// border, or are 0 when the region is too small for one.
class BorderedImage {
  public:
    BorderedImage(const uint8_t* raw, size_t start, size_t pitch, unsigned w, unsigned h)
        : w_(int(w)), h_(int(h)), data_((w + 4) * (h + 4), 0) {
        for (int y = 0; y < h_; ++y) {
            for (int x = 0; x < w_; ++x) {
                at(y, x) = raw[start + size_t(y) * pitch + size_t(x)];
            }
        }
        if (w_ < 8 || h_ < 8) {
            return;
        }
        for (int x = 0; x < w_; ++x) {
            at(-2, x) = at(2, x);
            at(-1, x) = at(1, x);
            at(h_, x) = at(h_ - 2, x);
            at(h_ + 1, x) = at(h_ - 3, x);
        }
        for (int y = -2; y <= h_ + 1; ++y) {
            at(y, -1) = at(y, 1);
            at(y, -2) = at(y, 2);
            at(y, w_) = at(y, w_ - 2);
            at(y, w_ + 1) = at(y, w_ - 3);
        }
    }

    int operator()(int y, int x) const { return data_[index(y, x)]; }

  private:
    size_t index(int y, int x) const { return size_t(y + 2) * size_t(w_ + 4) + size_t(x + 2); }
    uint8_t& at(int y, int x) { return data_[index(y, x)]; }

    int w_, h_;
    std::vector<uint8_t> data_;
};

int clip16(int v) {
    return std::min(255, (std::max(0, v) + 8) >> 4);
}

struct Rgb {
    int c[3];
};

Rgb demosaicPixel(const BorderedImage& img, int phase, int y, int x) {
    const bool gbrg = phase < 0 || phase > 2;  // every other value converts as GBRG
    const int redRow = (phase == 1 || gbrg) ? 1 : 0;
    const int redCol = (phase == 0 || phase == 1) ? 1 : 0;
    auto P = [&](int dy, int dx) { return img(y + dy, x + dx); };
    const int p = P(0, 0);
    const int d = P(-1, -1) + P(-1, 1) + P(1, -1) + P(1, 1);
    const int h1 = P(0, -1) + P(0, 1), v1 = P(-1, 0) + P(1, 0);
    const int h2 = P(0, -2) + P(0, 2), v2 = P(-2, 0) + P(2, 0);
    const bool onRedRow = (y & 1) == redRow;
    const bool onRedCol = (x & 1) == redCol;
    Rgb out{};
    if (onRedRow == onRedCol) {  // red (both) or blue (neither)
        const Colour own = onRedRow ? kRed : kBlue;
        const Colour opposite = onRedRow ? kBlue : kRed;
        out.c[own] = p;
        out.c[kGreen] = clip16(8 * p + 4 * (h1 + v1) - 2 * (h2 + v2));
        out.c[opposite] = clip16(12 * p + 4 * d - 3 * (h2 + v2));
    } else {
        const Colour rowColour = onRedRow ? kRed : kBlue;
        const Colour columnColour = onRedRow ? kBlue : kRed;
        out.c[kGreen] = p;
        out.c[rowColour] = clip16(10 * p + 8 * h1 - 2 * h2 - 2 * d + v2);
        out.c[columnColour] = clip16(10 * p + 8 * v1 - 2 * v2 - 2 * d + h2);
    }
    return out;
}

int applyGain(int v, int32_t gain) {
    const uint64_t g = uint32_t(gain) & 0xFFFFu;
    return int(std::min<uint64_t>(255, (uint64_t(v) * g) >> 7));
}

int32_t truncateSaturating(double v) {
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483649.0)
        return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

void measure(const BorderedImage& img, int phase, unsigned w, unsigned h, int32_t gains[3]) {
    uint32_t sum[3] = {0, 0, 0};
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            const Rgb px = demosaicPixel(img, phase, int(y), int(x));
            for (int c = 0; c < 3; ++c) sum[c] += uint32_t(px.c[c]);
        }
    }
    if (sum[0] == 0 || sum[1] == 0 || sum[2] == 0)
        return;
    const double r = sum[0], g = sum[1], b = sum[2];
    const double t = (g + r) + b;
    const double kG = (t / g) / 3.0;
    gains[0] = truncateSaturating((128.0 * ((t / r) / 3.0)) / kG);
    gains[1] = 128;
    gains[2] = truncateSaturating((128.0 * ((t / b) / 3.0)) / kG);
}

int matrixChannel(const int32_t m[4][4], const int in[3], int j) {
    uint16_t pos = 0, neg = 0;
    auto magnitude = [](int32_t e) { return uint16_t(e < 0 ? 0u - uint32_t(e) : uint32_t(e)); };
    for (int i = 0; i < 3; ++i) {
        const uint16_t t = uint16_t(magnitude(m[i][j]) * in[i]);
        if (m[i][j] > 0)
            pos = uint16_t(pos + t);
        else
            neg = uint16_t(neg + t);
    }
    if (m[3][j] > 0)
        pos = uint16_t(pos + magnitude(m[3][j]));
    else
        neg = uint16_t(neg + magnitude(m[3][j]));
    return std::clamp((pos >> 6) - (neg >> 6), 0, 255);
}

}  // namespace

OracleResult oracleConvert(const uint8_t* raw, size_t start, size_t pitch, unsigned width,
                           unsigned height, const OracleSettings& s) {
    const BorderedImage img(raw, start, pitch, width, height);
    OracleResult result;
    std::copy(s.gains, s.gains + 3, result.gains);
    if (s.whiteBalance)
        measure(img, s.phase, width, height, result.gains);
    result.bgrx.resize(size_t(width) * height * 4);
    uint8_t* out = result.bgrx.data();
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x, out += 4) {
            const Rgb px = demosaicPixel(img, s.phase, int(y), int(x));
            int in[3];
            for (int c = 0; c < 3; ++c) in[c] = applyGain(px.c[c], result.gains[c]);
            if (s.colour) {
                out[0] = uint8_t(matrixChannel(s.matrix, in, 2));
                out[1] = uint8_t(matrixChannel(s.matrix, in, 1));
                out[2] = uint8_t(matrixChannel(s.matrix, in, 0));
            } else {
                const int luma = ((in[0] * 77) >> 8) + ((in[1] * 150) >> 8) + ((in[2] * 29) >> 8);
                out[0] = out[1] = out[2] = uint8_t(luma);
            }
            out[3] = 255;
        }
    }
    return result;
}
