#include "worker_counters.h"

#include "camera/camera_device.h"
#include "frame/capture_worker.h"
#include "platform/interlocked.h"

#include <kernel/layout_expectation.h>

#include "worker_counter_layout.h"

namespace {

std::uint32_t counter(volatile LONG* value) {
    return static_cast<std::uint32_t>(AtomicRead(value));
}

}  // namespace

WorkerCounters readWorkerCounters(PKSDEVICE device) {
    const auto* camera = static_cast<const CameraDevice*>(device->Context);
    CaptureWorker* worker = camera == nullptr ? nullptr : camera->worker;
    if (worker == nullptr) {
        return {};
    }
    return {counter(&worker->framesCaptured), counter(&worker->framesDropped),
            counter(&worker->buffersTooSmall), counter(&worker->readFailures)};
}
