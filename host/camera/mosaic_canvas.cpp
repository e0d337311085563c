#include "mosaic_canvas.h"

#include <algorithm>
#include <cstddef>

#include "bayer_layout.h"
#include "frame_geometry.h"

namespace host::camera {
namespace {

constexpr long kRggbPhase = 2;  // bayer_layout.h's name for the sensor's pattern

}  // namespace

std::uint8_t mosaicSample(Rgb8 colour, int x, int y) {
    switch (bayerChannelAt(x, y, kRggbPhase)) {
        case kSceneRed:
            return colour.r;
        case kSceneGreen:
            return colour.g;
        default:
            return colour.b;
    }
}

void paintRect(std::uint8_t* frame, PixelRect rect, Rgb8 colour) {
    const int left = std::max(rect.x, 0);
    const int right = std::min(rect.x + rect.width, kFrameWidth);
    const int top = std::max(rect.y, 0);
    const int bottom = std::min(rect.y + rect.height, kFrameHeight);
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = frame + static_cast<std::ptrdiff_t>(y) * kFrameWidth;
        // A row of the mosaic alternates two samples.
        const std::uint8_t even = mosaicSample(colour, left & ~1, y);
        const std::uint8_t odd = mosaicSample(colour, left | 1, y);
        for (int x = left; x < right; ++x) {
            row[x] = (x & 1) == 0 ? even : odd;
        }
    }
}

}  // namespace host::camera
