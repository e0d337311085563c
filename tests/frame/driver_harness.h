// The fixtures of the white-box frame tests: the black-box fixtures
// (tests/blackbox) on the host build of the driver, plus the driver's own
// objects behind the device, which only the host build lets a test reach.
#pragma once

#include "blackbox/blackbox_harness.h"
#include "camera/camera_device.h"

// The CameraDevice of a device of the host-built driver (its context).
inline CameraDevice* CameraOf(PKSDEVICE device) {
    return device != nullptr ? static_cast<CameraDevice*>(device->Context) : nullptr;
}

class DriverTest : public BlackBoxTest {
  protected:
    CameraDevice* camera() const { return CameraOf(device); }
};

// A started device with one filter open on it.
class FilterTest : public FilterBlackBoxTest {
  protected:
    CameraDevice* camera() const { return CameraOf(device); }
};
