#include "bmp_writer.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Bitmap headers are little-endian whatever the host.
void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void putFileHeader(std::vector<std::uint8_t>& out, std::uint32_t imageSize) {
    constexpr std::uint32_t offset = kBmpFileHeaderSize + kBmpInfoHeaderSize;
    putLe(out, 0x4D42, 2);  // "BM"
    putLe(out, offset + imageSize, 4);
    putLe(out, 0, 4);  // bfReserved1, bfReserved2
    putLe(out, offset, 4);
}

void putInfoHeader(std::vector<std::uint8_t>& out, BgrxImageView image, std::uint32_t imageSize) {
    putLe(out, kBmpInfoHeaderSize, 4);
    putLe(out, image.width, 4);
    putLe(out, image.height, 4);  // positive: bottom-up rows
    putLe(out, 1, 2);             // biPlanes
    putLe(out, 32, 2);            // biBitCount
    putLe(out, 0, 4);             // BI_RGB
    putLe(out, imageSize, 4);
    putLe(out, 0, 4);  // biXPelsPerMeter
    putLe(out, 0, 4);  // biYPelsPerMeter
    putLe(out, 0, 4);  // biClrUsed
    putLe(out, 0, 4);  // biClrImportant
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(BgrxImageView image) {
    // The header fields are 32-bit; larger images cannot be described.
    if (image.sizeBytes() > 0xFFFFFFFFu - kBmpFileHeaderSize - kBmpInfoHeaderSize) {
        throw std::runtime_error("image too large for a bitmap");
    }
    const auto imageSize = static_cast<std::uint32_t>(image.sizeBytes());
    std::vector<std::uint8_t> out;
    out.reserve(kBmpFileHeaderSize + kBmpInfoHeaderSize + imageSize);
    putFileHeader(out, imageSize);
    putInfoHeader(out, image, imageSize);
    for (std::uint32_t y = image.height; y-- > 0;) {
        out.insert(out.end(), image.row(y), image.row(y) + image.rowBytes());
    }
    return out;
}
