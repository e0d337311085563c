// Where camcap finds the capture worker's counters in a running driver:
// readWorkerCounters follows the device's CameraDevice to its worker and
// reads four counters there. The driver built into camcap and a kernel
// image loaded with --driver must agree on these places, so the list is
// compiled by both compilers: by the host build (worker_counters.cpp) and
// by the Windows kernel build against the DDK (windows/driver_layout_check.cpp).
// A change of either class that moves a counter fails one of the builds
// instead of making camcap read the wrong word of an image.
//
// Needs camera_device.h, capture_worker.h and the expectation macros
// (host/kernel/layout_expectation.h) first.
#pragma once

// CameraDevice has virtual functions; both compilers lay it out by the same
// (Itanium) rules, and offsetof of a plain member is what they agree on.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
BAYERCAM_EXPECT_OFFSET(CameraDevice, worker, 504);
BAYERCAM_EXPECT_OFFSET(CaptureWorker, framesCaptured, 92);
BAYERCAM_EXPECT_OFFSET(CaptureWorker, framesDropped, 144);
BAYERCAM_EXPECT_OFFSET(CaptureWorker, buffersTooSmall, 148);
BAYERCAM_EXPECT_OFFSET(CaptureWorker, readFailures, 152);
#pragma GCC diagnostic pop
