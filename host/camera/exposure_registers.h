// How the camera reads its exposure and global gain from the register file.
//
// Exposure (registers 152..163, 6 bits each). Register 154 selects the
// mode: at 1 the camera is in one of its two long special exposures, 1002
// when register 155 holds 2 and 1003 for any other value; otherwise the
// exposure is a count of 3..1001, its low 6 bits in register 158 and its
// high 6 bits in register 159 (the copy in 161/162 is ignored), clamped into
// that range. A count of 0 is what a camera nobody has programmed holds:
// kUnprogrammedExposure, which leaves the scene as it is (brightness.h).
//
// Global gain (registers 6 and 7): the low 6 bits in register 6, the high 4
// bits in register 7, 0..1023.
#pragma once

#include <array>
#include <cstdint>

#include "register_word.h"

namespace host::camera {

using RegisterFile = std::array<std::uint32_t, kRegisterCount>;

constexpr unsigned kUnprogrammedExposure = 0;
constexpr unsigned kShortestExposure = 3;
constexpr unsigned kLongestCountedExposure = 1001;
constexpr unsigned kSpecialExposureShort = 1002;
constexpr unsigned kSpecialExposureLong = 1003;
constexpr unsigned kMaxGlobalGain = 1023;

// kUnprogrammedExposure, a count of 3..1001, or 1002 / 1003.
unsigned decodeExposure(const RegisterFile& registers);
// 0..1023.
unsigned decodeGlobalGain(const RegisterFile& registers);

}  // namespace host::camera
