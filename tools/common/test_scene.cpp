#include "test_scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "bayer_layout.h"

namespace {

struct Rgb {
    double r, g, b;  // 0..1
};

// Band boundaries as fractions of the height.
constexpr double kBarsEnd = 0.40;
constexpr double kRampEnd = 0.55;
constexpr double kGround = 0.45;      // the wheel's grey ground
constexpr double kWheelValue = 0.85;  // HSV value of the wheel

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// 0 well before an edge at 0, 1 well after, a smooth step over two pixels.
double softEdge(double distance) {
    double t = std::clamp((distance + 1.0) / 2.0, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

Rgb colourBars(double x, int width) {
    static constexpr Rgb kBars[8] = {
        {0.75, 0.75, 0.75}, {0.75, 0.75, 0.0}, {0.0, 0.75, 0.75}, {0.0, 0.75, 0.0},
        {0.75, 0.0, 0.75},  {0.75, 0.0, 0.0},  {0.0, 0.0, 0.75},  {0.0, 0.0, 0.0},
    };
    const double barWidth = width / 8.0;
    // Blend across the nearest edge between two bars (edges 1..7).
    const int edge = std::clamp(static_cast<int>(std::lround(x / barWidth)), 1, 7);
    return mix(kBars[edge - 1], kBars[edge], softEdge(x - edge * barWidth));
}

Rgb greyRamp(double x, int width) {
    const double v = width > 1 ? std::clamp((x - 0.5) / (width - 1), 0.0, 1.0) : 0.5;
    return {v, v, v};
}

Rgb fromHsv(double hueDegrees, double saturation, double value) {
    auto channel = [&](double n) {
        double k = std::fmod(n + hueDegrees / 60.0, 6.0);
        return value - value * saturation * std::clamp(std::min(k, 4.0 - k), 0.0, 1.0);
    };
    return {channel(5.0), channel(3.0), channel(1.0)};
}

Rgb colourWheel(double x, double y, int width, int height) {
    const double top = kRampEnd * height;
    const double radius = 0.42 * std::min(height - top, static_cast<double>(width));
    const double dx = x - width / 2.0;
    const double dy = y - (top + height) / 2.0;
    const double r = std::hypot(dx, dy);
    double hue = std::atan2(-dy, dx) * 180.0 / std::numbers::pi;
    hue = hue < 0.0 ? hue + 360.0 : hue;
    const Rgb ground{kGround, kGround, kGround};
    const Rgb wheel = fromHsv(hue, std::min(r / radius, 1.0), kWheelValue);
    return mix(wheel, ground, softEdge(r - radius));
}

// The scene at a pixel centre; bands blend over their soft boundaries and
// each band is drawn only where it shows.
Rgb sceneColour(double x, double y, int width, int height) {
    const double toRamp = softEdge(y - kBarsEnd * height);
    const double toWheel = softEdge(y - kRampEnd * height);
    Rgb colour = toRamp < 1.0 ? colourBars(x, width) : Rgb{};
    if (toRamp > 0.0) {
        colour = mix(colour, greyRamp(x, width), toRamp);
    }
    if (toWheel > 0.0) {
        colour = mix(colour, colourWheel(x, y, width, height), toWheel);
    }
    return colour;
}

std::uint8_t to8Bit(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

}  // namespace

std::uint8_t sceneSample(int x, int y, int channel, int width, int height) {
    const Rgb c = sceneColour(x + 0.5, y + 0.5, width, height);
    switch (channel) {
        case kSceneRed:
            return to8Bit(c.r);
        case kSceneGreen:
            return to8Bit(c.g);
        default:
            return to8Bit(c.b);
    }
}

void fillBayerFrame(std::uint8_t* frame, int width, int height, long pitch, long phase) {
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = frame + static_cast<std::ptrdiff_t>(pitch) * y;
        for (int x = 0; x < width; ++x) {
            row[x] = sceneSample(x, y, bayerChannelAt(x, y, phase), width, height);
        }
    }
}
