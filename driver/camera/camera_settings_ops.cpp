// The settings that reach the camera: exposure, global gain, external
// trigger, and the clock mode read back from it.
#include "../settings/settings_limits.h"
#include "../settings/settings_lock.h"
#include "../usb/command_packets.h"
#include "camera_device.h"

namespace {

constexpr ULONG kExposureMaxCount = 1001;  // above it: the two special modes

constexpr UCHAR kTriggerParameter = 11;
constexpr UCHAR kClockModeParameter = 15;
constexpr ULONG kTriggerModeRegister = 32;
constexpr ULONG kTriggerTimingRegister = 33;

struct RegisterWrite {
    ULONG address;
    ULONG value;
};

// Entering the special exposure modes from the counted regime.
const RegisterWrite kEnterSpecialExposure[] = {
    {152, 1}, {153, 0}, {154, 1}, {156, 0}, {157, 0}, {158, 3},
    {159, 0}, {160, 1}, {161, 3}, {162, 0}, {163, 1},
};

// Leaving them for the counted regime.
const RegisterWrite kLeaveSpecialExposure[] = {
    {154, 0}, {155, 3}, {157, 1}, {160, 3}, {163, 0},
};

}  // namespace

void CameraDevice::setExposure(ULONG value) {
    if (value < kExposureMin) {
        value = kExposureMin;
    } else if (value > kExposureMax) {
        value = kExposureMax;
    }
    const ULONG lo = value & 0x3F;
    const ULONG hi = (value >> 6) & 0x3F;
    SettingsLock settings(this);
    CommandLock lock(&commands);
    const bool wasSpecial = exposure > kExposureMaxCount;
    bool lastWritten = false;
    if (value > kExposureMaxCount) {
        if (!wasSpecial) {
            for (const RegisterWrite& w : kEnterSpecialExposure) {
                writeRegisterLocked(w.address, w.value);
            }
        }
        lastWritten = writeRegisterLocked(155, value - 1000);
    } else {
        if (wasSpecial) {
            for (const RegisterWrite& w : kLeaveSpecialExposure) {
                writeRegisterLocked(w.address, w.value);
            }
        }
        writeRegisterLocked(158, lo);
        writeRegisterLocked(159, hi);
        writeRegisterLocked(161, lo);
        lastWritten = writeRegisterLocked(162, hi);
    }
    if (lastWritten) {
        exposure = value;
    }
}

bool CameraDevice::setGlobalGain(ULONG value) {
    if (value > kGlobalGainMax) {
        value = kGlobalGainMax;
    }
    SettingsLock settings(this);
    CommandLock lock(&commands);
    const bool low = writeRegisterLocked(6, value & 0x3F);
    const bool high = writeRegisterLocked(7, (value >> 6) & 0x0F);
    if (!low || !high) {
        return false;
    }
    globalGain = value;
    return true;
}

bool CameraDevice::setExTrigger(bool on) {
    SettingsLock settings(this);
    CommandLock lock(&commands);
    if (!setParameterLocked(kTriggerParameter, on ? 1 : 0)) {
        return false;
    }
    ULONG mode = registerShadow[kTriggerModeRegister];
    ULONG timing = registerShadow[kTriggerTimingRegister];
    if (on) {
        mode &= ~0x10u;
        timing = (timing & ~0x0Fu) + 0x1C;
    } else {
        mode |= 0x10u;
        timing = (timing & ~0x1Fu) + 1;
    }
    writeRegisterLocked(kTriggerModeRegister, mode);
    writeRegisterLocked(kTriggerTimingRegister, timing);
    exTrigger = on ? 1 : 0;
    return true;
}

ULONG CameraDevice::readClockMode() {
    SettingsLock settings(this);
    CommandLock lock(&commands);
    ULONG reply = 0;
    if (getParameterLocked(kClockModeParameter, &reply)) {
        clockMode = (reply == 3) ? 2 : reply;
    }
    return clockMode;
}
