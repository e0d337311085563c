// How bright a frame comes out for an exposure and a global gain. The scene
// is what the sensor sees at the reference settings (exposure 4, gain 450:
// those the camera is started with); each sample is scaled by
//   factor = (exposure * (512 + gain)) / (4 * (512 + 450)),
// rounded to nearest and saturated at 255. So brightness rises with either
// setting (never falls), the special exposures 1002 and 1003 are the
// brightest, and an unprogrammed exposure (kUnprogrammedExposure, whatever
// the gain) leaves every sample exactly as it is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace host::camera {

constexpr unsigned kReferenceExposure = 4;
constexpr unsigned kReferenceGain = 450;

// The scaling of one frame, as an exact ratio so that the reference
// settings reproduce the scene byte for byte.
class Brightness {
  public:
    // Unity: the scene as it is.
    Brightness() = default;
    Brightness(unsigned exposure, unsigned gain);

    bool unity() const { return numerator_ == denominator_; }
    double factor() const { return static_cast<double>(numerator_) / denominator_; }

    std::uint8_t scale(std::uint8_t sample) const;
    bool operator==(const Brightness& other) const {
        return numerator_ == other.numerator_ && denominator_ == other.denominator_;
    }
    // Scales `bytes` samples in place.
    void apply(std::uint8_t* samples, std::size_t bytes) const;

  private:
    std::uint64_t numerator_ = 1;
    std::uint64_t denominator_ = 1;
};

// Brightness(exposure, gain).factor(): for tests and tools.
double brightnessFactor(unsigned exposure, unsigned gain);

}  // namespace host::camera
