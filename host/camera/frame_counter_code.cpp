#include "frame_counter_code.h"

#include <cstddef>

#include "frame_geometry.h"

namespace host::camera {
namespace {

constexpr int kCellWidth = kCounterBand.width / kCounterBits;
constexpr Rgb8 kOne = {255, 255, 255};
constexpr Rgb8 kZero = {0, 0, 0};

}  // namespace

PixelRect counterCell(int bit) {
    return {(kCounterBits - 1 - bit) * kCellWidth, kCounterBand.y, kCellWidth, kCounterBand.height};
}

void paintFrameCounter(std::uint8_t* frame, std::uint32_t number) {
    for (int bit = 0; bit < kCounterBits; ++bit) {
        paintRect(frame, counterCell(bit), ((number >> bit) & 1U) != 0 ? kOne : kZero);
    }
}

std::uint32_t readFrameCounter(const std::uint8_t* frame) {
    std::uint32_t number = 0;
    for (int bit = 0; bit < kCounterBits; ++bit) {
        const PixelRect cell = counterCell(bit);
        const std::size_t at = static_cast<std::size_t>(cell.centreY()) * kFrameWidth +
                               static_cast<std::size_t>(cell.centreX());
        if (frame[at] >= 128) {
            number |= 1U << bit;
        }
    }
    return number;
}

}  // namespace host::camera
