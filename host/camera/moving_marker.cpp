#include "moving_marker.h"

namespace host::camera {
namespace {

constexpr int kSide = 64;
constexpr int kStride = 16;  // even, so the square keeps its Bayer phase
constexpr std::uint32_t kPlaces = (kMarkerBand.width - kSide) / kStride + 1;

}  // namespace

PixelRect markerRect(std::uint32_t number) {
    const int x = static_cast<int>(number % kPlaces) * kStride;
    return {x, kMarkerBand.y + (kMarkerBand.height - kSide) / 2, kSide, kSide};
}

void paintMarkerBand(std::uint8_t* frame) {
    paintRect(frame, kMarkerBand, kMarkerGround);
}

void paintMarker(std::uint8_t* frame, std::uint32_t number, const Brightness& brightness) {
    const Rgb8 colour = {brightness.scale(kMarkerColour.r), brightness.scale(kMarkerColour.g),
                         brightness.scale(kMarkerColour.b)};
    paintRect(frame, markerRect(number), colour);
}

}  // namespace host::camera
