// Reading PNGs as 8-bit RGB, whatever colour type they were written in.
#include "png_reader.h"

#include <png.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/ledger_test.h"

namespace {

// A PNG of `samples` in libpng's simplified `format`.
std::vector<std::uint8_t> pngOf(std::uint32_t format, std::uint32_t width, std::uint32_t height,
                                const std::vector<std::uint8_t>& samples) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = width;
    png.height = height;
    png.format = format;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&png, nullptr, &size, 0, samples.data(), 0, nullptr);
    std::vector<std::uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&png, out.data(), &size, 0, samples.data(), 0, nullptr));
    out.resize(size);
    return out;
}

class PngReaderTest : public LedgerTest {};

TEST_F(PngReaderTest, RgbComesBackAsWritten) {
    const std::vector<std::uint8_t> rgb{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    const RgbImage image = decodePng(pngOf(PNG_FORMAT_RGB, 2, 2, rgb), 2, 2);
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(image.rgb, rgb);
}

TEST_F(PngReaderTest, GreyBecomesEqualChannels) {
    const RgbImage image = decodePng(pngOf(PNG_FORMAT_GRAY, 2, 1, {0, 200}), 2, 1);
    EXPECT_EQ(image.rgb, (std::vector<std::uint8_t>{0, 0, 0, 200, 200, 200}));
}

TEST_F(PngReaderTest, AlphaIsComposedOntoBlack) {
    const std::vector<std::uint8_t> rgba{255, 255, 255, 255, 200, 100, 50, 0};
    const RgbImage image = decodePng(pngOf(PNG_FORMAT_RGBA, 2, 1, rgba), 2, 1);
    EXPECT_EQ(image.rgb, (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0}));
}

TEST_F(PngReaderTest, AnotherSizeIsRefusedBeforeDecoding) {
    const auto png = pngOf(PNG_FORMAT_RGB, 3, 1, std::vector<std::uint8_t>(9, 1));
    try {
        decodePng(png, 4, 2);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "is 3 x 1, not 4 x 2");
    }
}

TEST_F(PngReaderTest, OtherBytesAreNotAPng) {
    std::vector<std::uint8_t> bytes{'P', '6', '\n', '1', ' ', '1'};
    EXPECT_FALSE(hasPngSignature(bytes));
    EXPECT_THROW(decodePng(bytes, 1, 1), std::runtime_error);
    auto png = pngOf(PNG_FORMAT_RGB, 1, 1, {1, 2, 3});
    EXPECT_TRUE(hasPngSignature(png));
    png.resize(png.size() / 2);  // cut short
    EXPECT_THROW(decodePng(png, 1, 1), std::runtime_error);
}

}  // namespace
