// Where a raw frame's photosites lie in its file and which of them rawconv
// converts.
#pragma once

#include <cstdint>

// The largest width, height or pitch accepted: keeps every byte offset and
// the pipeline's working buffer well inside 32 bits.
constexpr std::uint32_t kMaxFrameDimension = 32768;

struct FrameLayout {
    std::uint32_t width;   // photosites a row
    std::uint32_t height;  // rows
    std::uint32_t pitch;   // bytes from one row to the next, >= width

    // Bytes the file must hold: the last row need not be padded to the pitch.
    std::uint64_t requiredBytes() const { return std::uint64_t{height - 1} * pitch + width; }
};

struct Region {
    std::uint32_t x, y, width, height;

    bool fitsIn(const FrameLayout& frame) const {
        return width >= 1 && height >= 1 && std::uint64_t{x} + width <= frame.width &&
               std::uint64_t{y} + height <= frame.height;
    }

    // Byte offset of the region's first photosite.
    std::uint32_t startOffset(const FrameLayout& frame) const { return y * frame.pitch + x; }
};
