// The Windows side of what the host tools assume about the driver's own
// objects in a kernel image (tools/camcap/worker_counter_layout.h),
// compiled with the kernel objects' flags and never linked: it holds
// nothing but static assertions.
#include "../driver/camera/camera_device.h"
#include "../driver/frame/capture_worker.h"

#include "../host/kernel/layout_expectation.h"

#include "../tools/camcap/worker_counter_layout.h"
