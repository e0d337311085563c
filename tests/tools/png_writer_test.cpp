#include "png_writer.h"

#include <png.h>

#include <cstdint>
#include <vector>

#include "support/ledger_test.h"

namespace {

class PngWriterTest : public LedgerTest {};

TEST_F(PngWriterTest, RoundTripsAsRgbWithXDropped) {
    const std::uint32_t width = 5, height = 3;
    std::vector<std::uint8_t> bgrx(width * height * 4);
    for (std::size_t i = 0; i < bgrx.size(); ++i) {
        bgrx[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const auto png = encodePng({bgrx.data(), width, height});

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size())) << image.message;
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGB));  // 8-bit, no alpha
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;

    ASSERT_EQ(rgb.size(), std::size_t{width} * height * 3);
    for (std::size_t p = 0; p < std::size_t{width} * height; ++p) {
        EXPECT_EQ(rgb[p * 3 + 0], bgrx[p * 4 + 2]) << "red of pixel " << p;
        EXPECT_EQ(rgb[p * 3 + 1], bgrx[p * 4 + 1]) << "green of pixel " << p;
        EXPECT_EQ(rgb[p * 3 + 2], bgrx[p * 4 + 0]) << "blue of pixel " << p;
    }
}

}  // namespace
