// A configured device for the settings suites, with the process-wide
// time-out put back after each test (it outlives the device).
#pragma once

#include "camera_device_harness.h"
#include "settings/frame_timeout.h"

class SettingsTest : public CameraDeviceTest {
  protected:
    void TearDown() override {
        SetFrameTimeoutMs(kDefaultFrameTimeoutMs);
        CameraDeviceTest::TearDown();
    }
};
