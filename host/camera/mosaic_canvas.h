// Painting into a raw frame (frame_geometry.h): each photosite takes the
// part of a colour its place in the RGGB pattern records.
#pragma once

#include <cstdint>

namespace host::camera {

struct Rgb8 {
    std::uint8_t r, g, b;
    bool operator==(const Rgb8&) const = default;
};

struct PixelRect {
    int x, y, width, height;
    // The centre photosite, rounded down.
    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
};

// The sample the photosite at (x, y) records of `colour`.
std::uint8_t mosaicSample(Rgb8 colour, int x, int y);

// Paints `rect`, clipped to the frame, with `colour`.
void paintRect(std::uint8_t* frame, PixelRect rect, Rgb8 colour);

}  // namespace host::camera
