// A read-only view of an image as the driver's pipeline writes it: 4 bytes
// a pixel in the order B, G, R, X, rows packed (width * 4 bytes apart), top
// row first. The view does not own the pixels.
#pragma once

#include <cstddef>
#include <cstdint>

struct BgrxImageView {
    const std::uint8_t* pixels;
    std::uint32_t width;
    std::uint32_t height;

    std::size_t rowBytes() const { return std::size_t{width} * 4; }
    std::size_t sizeBytes() const { return rowBytes() * height; }
    const std::uint8_t* row(std::uint32_t y) const { return pixels + rowBytes() * y; }
};
