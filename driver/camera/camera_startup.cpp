// Bringing the camera into its known state at device start.
#include "../usb/command_packets.h"
#include "../usb/packet_transfer.h"
#include "camera_device.h"
#include "startup_sequence.h"

bool CameraDevice::InitializeCamera() {
    {
        CommandLock lock(&commands);
        BuildCommand(commands.commandBuffer, kCommandInitialize);
        sendCommandLocked();
    }
    RunStartupSequence();
    applyStoredSettings();
    return true;
}

bool CameraDevice::RunStartupSequence() {
    // One unit: nothing else may use the command buffer or the shadow while
    // the sensor is being set up.
    CommandLock lock(&commands);
    writeRegisterLocked(kStartupModeRegister, kStartupModeBefore);
    if (setParameterLocked(kStartupPulseParameter, kStartupPulseValue)) {
        setParameterLocked(kStartupPulseParameter, 0);
    }
    LARGE_INTEGER delay;
    delay.QuadPart = -kStartupDelay100ns;
    KeDelayExecutionThread(KernelMode, FALSE, &delay);
    for (ULONG i = 0; i < kStartupRunCount; ++i) {
        const RegisterRun& run = kStartupRuns[i];
        for (ULONG k = 0; k < run.count; ++k) {
            writeRegisterLocked(run.firstAddress + k, RunValue(run, k));
        }
    }
    return true;
}

// The stored settings (time-out, exposure, gain, image settings, region of
// interest, trigger, clock mode) are loaded from the registry and applied
// here once the settings store exists; until then the device keeps its
// defaults.
void CameraDevice::applyStoredSettings() {}
