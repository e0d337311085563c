// A started device with an open filter, helpers to stream from its pin as a
// capture application does, and the driver's own objects in reach.
#pragma once

#include "driver_harness.h"
#include "frame/capture_worker.h"

class StreamTest : public StreamBlackBoxTest {
  protected:
    CameraDevice* camera() const { return CameraOf(device); }
    CaptureWorker* worker() const { return camera()->worker; }
};
