// Bringing the camera into its known state at device start.
#include "../settings/settings_persistence.h"
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
    loadSettings(this);  // without stored settings the defaults stay
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
