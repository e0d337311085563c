#include "conversion_harness.h"

RawImage flatRaw(unsigned width, unsigned height, uint8_t value) {
    RawImage raw{width, height, width, std::vector<uint8_t>(size_t(width) * height, value)};
    return raw;
}

RawImage sceneRaw(unsigned width, unsigned height, int phase, uint8_t red, uint8_t green,
                  uint8_t blue) {
    const bool gbrg = phase < 0 || phase > 2;
    const unsigned redRow = (phase == 1 || gbrg) ? 1 : 0;
    const unsigned redCol = (phase == 0 || phase == 1) ? 1 : 0;
    RawImage raw = flatRaw(width, height, green);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            const bool rowHasRed = (y & 1) == redRow;
            const bool colHasRed = (x & 1) == redCol;
            if (rowHasRed && colHasRed)
                raw.at(x, y) = red;
            if (!rowHasRed && !colHasRed)
                raw.at(x, y) = blue;
        }
    }
    return raw;
}

RawImage randomRaw(unsigned width, unsigned height, size_t pitch, std::mt19937& rng) {
    RawImage raw{width, height, pitch, std::vector<uint8_t>(pitch * height)};
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& sample : raw.data) sample = uint8_t(byte(rng));
    return raw;
}

Conversion::Conversion(unsigned width, unsigned height) : width_(width) {
    EXPECT_EQ(ConversionContext::Create(&context_), STATUS_SUCCESS);
    // As a stream start does: the sensor's own arrangement.
    context_->setBayerPhase(2);
    context_->setGeometry(width, height);
    context_->allocateWorkBuffer();
    output_.assign(size_t(width) * height * 4, 0xEE);
    context_->setOutputBuffer(output_.data());
}

Conversion::~Conversion() {
    ConversionContext::Destroy(context_);
}

void Conversion::convert(const RawImage& raw, unsigned x, unsigned y) {
    context_->convertFrame(raw.data.data(), ULONG(y * raw.pitch + x), ULONG(raw.pitch));
}

void Conversion::publishMatrix(const int32_t matrix[4][4]) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) context_->tables.colorMatrix[i][j] = matrix[i][j];
}

std::array<uint8_t, 4> Conversion::pixel(unsigned x, unsigned y) const {
    const uint8_t* p = &output_[(size_t(y) * width_ + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}
