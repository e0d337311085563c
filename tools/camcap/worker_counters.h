// What the driver's capture worker counted during a run: read from the
// device's CameraDevice (the KSDEVICE's context) once the pin has stopped,
// while the device is still started (the worker lives from device start to
// device stop). The same reads serve a kernel image run with --driver:
// worker_counter_layout.h keeps both builds' objects alike where they are
// read.
#pragma once

#include <cstdint>

#include "platform/streaming.h"

struct WorkerCounters {
    std::uint32_t framesCaptured = 0;   // raw frames read from the camera
    std::uint32_t framesDropped = 0;    // read but never converted for the stream
    std::uint32_t buffersTooSmall = 0;  // stream buffers completed empty
    std::uint32_t readFailures = 0;     // frame reads that failed or timed out
};

// Zeros when the device has no worker.
WorkerCounters readWorkerCounters(PKSDEVICE device);
