// A delivered frame as an image file. The pin delivers RGB32 as a Windows
// bitmap's pixels: rows bottom-up (positive biHeight), 4 bytes a pixel,
// B G R X, width * 4 bytes a row. Files hold the picture as it was seen:
// png and bmp upright, bgrx top row first. PNGs are encoded for speed.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image_file.h"

struct FrameSize {
    std::uint32_t width;
    std::uint32_t height;

    std::size_t bytes() const { return std::size_t{width} * height * 4; }
};

// "frame_0000.png": the index with at least four digits, so the files sort
// in capture order.
std::string frameFileName(std::uint32_t index, ImageFormat format);

// The rows of a bottom-up frame turned top row first. `bottomUp` holds
// size.bytes() bytes.
std::vector<std::uint8_t> topRowFirst(std::span<const std::uint8_t> bottomUp, FrameSize size);

// The file's bytes for a delivered (bottom-up) frame.
std::vector<std::uint8_t> encodeFrame(std::span<const std::uint8_t> bottomUp, FrameSize size,
                                      ImageFormat format);
