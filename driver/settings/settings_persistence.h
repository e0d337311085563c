// The settings' life across device restarts: 24 REG_DWORD values under the
// subkey "Settings" of the device's driver key.
//
// loadSettings runs once per device start, on the start thread, after the
// sensor start-up and before any filter exists: it reads the values (a
// missing or over-long one keeps its default) and applies them through the
// settings operations. saveSettings runs at every filter close and at
// device stop and writes the store's fields as they are, under the
// settings lock, so a concurrent property request or another save never
// interleaves with it. Both passive level. They return whether the keys
// could be opened; individual value results are not examined.
#pragma once

#include "../camera/camera_device.h"

bool loadSettings(CameraDevice* camera);
bool saveSettings(CameraDevice* camera);
