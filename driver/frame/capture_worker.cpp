#include "capture_worker.h"

#include "../platform/pool.h"

CaptureWorker* CaptureWorker::Create(CameraDevice* camera) {
    auto* worker = static_cast<CaptureWorker*>(AllocZeroed(sizeof(CaptureWorker), NonPagedPoolNx));
    if (worker == nullptr) {
        return nullptr;
    }
    // Everything else starts at zero: no buffers, no thread, Idle, both
    // raw buffers Free.
    worker->camera = camera;
    KeInitializeEvent(&worker->processingDone, NotificationEvent, FALSE);
    return worker;
}
