// The scene's moving element: a light square crossing a mid-grey band
// (rows 640-895) left to right, 16 columns further in each frame, and
// starting again at the left once it reaches the right edge. Its place
// depends only on the frame number, so a test can say where it must be.
#pragma once

#include <cstdint>

#include "brightness.h"
#include "mosaic_canvas.h"

namespace host::camera {

constexpr PixelRect kMarkerBand = {0, 640, 1280, 256};
constexpr Rgb8 kMarkerGround = {118, 118, 118};
constexpr Rgb8 kMarkerColour = {240, 240, 240};

// Where the square is in frame `number`.
PixelRect markerRect(std::uint32_t number);

// The empty band, for the scene's background.
void paintMarkerBand(std::uint8_t* frame);
// The square of frame `number` at `brightness`, over a background that has
// the empty band at the same brightness.
void paintMarker(std::uint8_t* frame, std::uint32_t number,
                 const Brightness& brightness = Brightness());

}  // namespace host::camera
