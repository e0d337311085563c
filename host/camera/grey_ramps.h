// The scene's two grey ramps, under the colour chart:
//   rows 464-559: a smooth ramp, black at column 0 to white at column 1279;
//   rows 560-639: 16 steps of 80 columns each, levels 0, 17, ... 255.
// Grey is the same value in every channel, so every photosite of a column
// holds the column's level.
#pragma once

#include <cstdint>

#include "mosaic_canvas.h"

namespace host::camera {

constexpr PixelRect kSmoothRampBand = {0, 464, 1280, 96};
constexpr PixelRect kSteppedRampBand = {0, 560, 1280, 80};
constexpr int kRampSteps = 16;

std::uint8_t smoothRampLevel(int column);
std::uint8_t steppedRampLevel(int column);

void paintGreyRamps(std::uint8_t* frame);

}  // namespace host::camera
