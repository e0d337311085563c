#include "brightness.h"

#include <algorithm>

#include "exposure_registers.h"

namespace host::camera {

Brightness::Brightness(unsigned exposure, unsigned gain) {
    if (exposure == kUnprogrammedExposure) {
        return;
    }
    numerator_ = std::uint64_t{exposure} * (512 + gain);
    denominator_ = std::uint64_t{kReferenceExposure} * (512 + kReferenceGain);
}

std::uint8_t Brightness::scale(std::uint8_t sample) const {
    const std::uint64_t scaled = (sample * numerator_ + denominator_ / 2) / denominator_;
    return static_cast<std::uint8_t>(std::min<std::uint64_t>(scaled, 255));
}

void Brightness::apply(std::uint8_t* samples, std::size_t bytes) const {
    if (unity()) {
        return;
    }
    // A table: one division per level instead of one per sample.
    std::array<std::uint8_t, 256> table{};
    for (unsigned level = 0; level < table.size(); ++level) {
        table[level] = scale(static_cast<std::uint8_t>(level));
    }
    std::transform(samples, samples + bytes, samples, [&](std::uint8_t s) { return table[s]; });
}

double brightnessFactor(unsigned exposure, unsigned gain) {
    return Brightness(exposure, gain).factor();
}

}  // namespace host::camera
