#include "exposure_registers.h"

#include <algorithm>

namespace host::camera {
namespace {

constexpr unsigned kSpecialModeRegister = 154;
constexpr unsigned kSpecialExposureRegister = 155;
constexpr unsigned kExposureLowRegister = 158;
constexpr unsigned kExposureHighRegister = 159;
constexpr unsigned kGainLowRegister = 6;
constexpr unsigned kGainHighRegister = 7;

// Registers below 256 carry 6 bits; a wider value never passes the command
// decoder, but mask anyway so that the rule does not depend on it.
unsigned sixBits(const RegisterFile& registers, unsigned address) {
    return registers[address] & 0x3Fu;
}

}  // namespace

unsigned decodeExposure(const RegisterFile& registers) {
    if (sixBits(registers, kSpecialModeRegister) == 1) {
        return sixBits(registers, kSpecialExposureRegister) == 2 ? kSpecialExposureShort
                                                                 : kSpecialExposureLong;
    }
    const unsigned count =
        sixBits(registers, kExposureLowRegister) | sixBits(registers, kExposureHighRegister) << 6;
    if (count == kUnprogrammedExposure) {
        return kUnprogrammedExposure;
    }
    return std::clamp(count, kShortestExposure, kLongestCountedExposure);
}

unsigned decodeGlobalGain(const RegisterFile& registers) {
    return sixBits(registers, kGainLowRegister) | (registers[kGainHighRegister] & 0x0Fu) << 6;
}

}  // namespace host::camera
