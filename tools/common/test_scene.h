// The built-in test scene: a picture that is easy to recognise and to judge
// by eye once demosaiced, drawn at any frame size:
//   - the top 40 %: eight 75 % colour bars, left to right white, yellow,
//     cyan, green, magenta, red, blue, black;
//   - the next 15 %: a grey ramp from black at the left to white at the right;
//   - the rest: a colour wheel on a neutral grey ground (hue by angle, red to
//     the right and turning anticlockwise; saturation growing outwards).
// Every edge is softened over about two pixels, so the raw frame carries no
// detail finer than the Bayer pattern can resolve.
#pragma once

#include <cstdint>

// Value 0..255 of `channel` (0 red, 1 green, 2 blue) of the scene at pixel
// (x, y) of a width x height frame.
std::uint8_t sceneSample(int x, int y, int channel, int width, int height);

// Writes the scene as a raw 8-bit Bayer frame: each photosite (x, y) gets
// the scene's value for the colour that the phase puts there (see
// bayer_layout.h). Rows are `pitch` bytes apart (pitch >= width); bytes
// between width and pitch are left alone.
void fillBayerFrame(std::uint8_t* frame, int width, int height, long pitch, long phase);
