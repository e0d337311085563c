// The settings lock of one device: held by every settings operation for its
// whole length (see camera_device.h for what it protects and the lock
// order). Passive level; not recursive, so an operation that holds it calls
// only the unlocked helpers of other settings.
#pragma once

#include "../camera/camera_device.h"
#include "../platform/locks.h"

class SettingsLock {
  public:
    explicit SettingsLock(CameraDevice* camera) : guard_(&camera->settingsLock) {}

  private:
    EventLockGuard guard_;
};
