// When the camera waits for its external trigger: parameter 11 at 1 turns
// trigger mode on, unless bit 4 of register 32 is set, which overrides it
// (free-running). While the trigger is on, a requested frame is held until
// the trigger fires (CameraFirmware::trigger).
#pragma once

#include <cstdint>

namespace host::camera {

constexpr unsigned kTriggerControlRegister = 32;
constexpr std::uint32_t kFreeRunningBit = 0x10;

constexpr bool externalTriggerOn(std::uint8_t triggerModeParameter,
                                 std::uint32_t triggerControlRegister) {
    return triggerModeParameter == 1 && (triggerControlRegister & kFreeRunningBit) == 0;
}

}  // namespace host::camera
