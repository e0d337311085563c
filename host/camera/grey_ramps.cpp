#include "grey_ramps.h"

namespace host::camera {
namespace {

constexpr int kStepWidth = kSteppedRampBand.width / kRampSteps;
constexpr int kStepLevel = 255 / (kRampSteps - 1);

void paintColumn(std::uint8_t* frame, PixelRect band, int column, std::uint8_t level) {
    paintRect(frame, {column, band.y, 1, band.height}, {level, level, level});
}

}  // namespace

std::uint8_t smoothRampLevel(int column) {
    const int last = kSmoothRampBand.width - 1;
    return static_cast<std::uint8_t>((column * 255 + last / 2) / last);
}

std::uint8_t steppedRampLevel(int column) {
    return static_cast<std::uint8_t>(column / kStepWidth * kStepLevel);
}

void paintGreyRamps(std::uint8_t* frame) {
    for (int column = 0; column < kSmoothRampBand.width; ++column) {
        paintColumn(frame, kSmoothRampBand, column, smoothRampLevel(column));
        paintColumn(frame, kSteppedRampBand, column, steppedRampLevel(column));
    }
}

}  // namespace host::camera
