#include "bmp_writer.h"

#include <cstdint>
#include <vector>

#include "support/ledger_test.h"

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint32_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

// A 3 x 2 image whose every byte differs: byte i holds i.
std::vector<std::uint8_t> numberedPixels() {
    std::vector<std::uint8_t> pixels(3 * 2 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<std::uint8_t>(i);
    }
    return pixels;
}

class BmpWriterTest : public LedgerTest {};

TEST_F(BmpWriterTest, HeadersDescribeA32BitBottomUpBitmap) {
    const auto pixels = numberedPixels();
    const auto bmp = encodeBmp({pixels.data(), 3, 2});
    ASSERT_EQ(bmp.size(), 54u + 24u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), 78u);   // bfSize
    EXPECT_EQ(le32(bmp, 6), 0u);    // reserved
    EXPECT_EQ(le32(bmp, 10), 54u);  // bfOffBits
    EXPECT_EQ(le32(bmp, 14), 40u);  // biSize
    EXPECT_EQ(le32(bmp, 18), 3u);   // biWidth
    EXPECT_EQ(le32(bmp, 22), 2u);   // biHeight, positive
    EXPECT_EQ(le16(bmp, 26), 1u);   // biPlanes
    EXPECT_EQ(le16(bmp, 28), 32u);  // biBitCount
    EXPECT_EQ(le32(bmp, 30), 0u);   // BI_RGB
    EXPECT_EQ(le32(bmp, 34), 24u);  // biSizeImage
    for (std::size_t at = 38; at < 54; at += 4) {
        EXPECT_EQ(le32(bmp, at), 0u) << "at offset " << at;
    }
}

TEST_F(BmpWriterTest, RowsAreStoredBottomUpUnchanged) {
    const auto pixels = numberedPixels();
    const auto bmp = encodeBmp({pixels.data(), 3, 2});
    const std::vector<std::uint8_t> bottom(pixels.begin() + 12, pixels.end());
    const std::vector<std::uint8_t> top(pixels.begin(), pixels.begin() + 12);
    EXPECT_EQ(std::vector<std::uint8_t>(bmp.begin() + 54, bmp.begin() + 66), bottom);
    EXPECT_EQ(std::vector<std::uint8_t>(bmp.begin() + 66, bmp.end()), top);
}

}  // namespace
