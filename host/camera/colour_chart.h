// The scene's colour chart: 24 patches of known colour, 6 across and 4
// down, in the top band of the frame (rows 0-463) on a dark surround. The
// patch colours are 8-bit sRGB values close to those of the common 24-patch
// colour-checker chart: 18 colours, then a row of six greys from white to
// black. Each patch is a uniform 176 x 96 block starting on an even row and
// column, so its mosaic holds exactly its colour's R, G and B samples.
#pragma once

#include <cstdint>

#include "mosaic_canvas.h"

namespace host::camera {

constexpr int kChartColumns = 6;
constexpr int kChartRows = 4;
constexpr int kChartPatches = kChartColumns * kChartRows;
constexpr PixelRect kChartBand = {0, 0, 1280, 464};
constexpr Rgb8 kChartSurround = {32, 32, 32};

// Patch `index` (0..23) counts across, then down.
Rgb8 chartPatchColour(int index);
PixelRect chartPatchRect(int index);

// Paints the band: surround and patches.
void paintColourChart(std::uint8_t* frame);

}  // namespace host::camera
