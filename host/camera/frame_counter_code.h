// The frame number, drawn into the bottom band of every built-in frame (rows
// 896-959) as a 32-bit binary code: 32 cells of 40 columns, the most
// significant bit at the left, white (255) for 1 and black (0) for 0. The
// cells are grey, so any photosite of a cell tells its bit, and they are big
// enough to survive demosaicing and scaling.
#pragma once

#include <cstdint>

#include "mosaic_canvas.h"

namespace host::camera {

constexpr PixelRect kCounterBand = {0, 896, 1280, 64};
constexpr int kCounterBits = 32;

// The cell of bit `bit` (0 = least significant).
PixelRect counterCell(int bit);

void paintFrameCounter(std::uint8_t* frame, std::uint32_t number);

// The number a raw frame carries, read at the cells' centres.
std::uint32_t readFrameCounter(const std::uint8_t* frame);

}  // namespace host::camera
