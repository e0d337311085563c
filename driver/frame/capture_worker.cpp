// The worker's construction and the state changes the pin makes.
#include "capture_worker.h"

#include "../camera/camera_device.h"
#include "../pipeline/conversion_context.h"
#include "../platform/pool.h"

namespace {

constexpr ULONG kBytesPerPixel = 4;

PUCHAR AllocFrameBuffer(ULONG bytes) {
    return static_cast<PUCHAR>(AllocZeroedTagged(bytes, NonPagedPoolNx, kFramePoolTag));
}

void FreeFrameBuffer(PUCHAR* buffer) {
    FreeTaggedBlock(*buffer, kFramePoolTag);
    *buffer = nullptr;
}

}  // namespace

CaptureWorker* CaptureWorker::Create(CameraDevice* camera) {
    auto* worker = static_cast<CaptureWorker*>(AllocZeroed(sizeof(CaptureWorker), NonPagedPoolNx));
    if (worker == nullptr) {
        return nullptr;
    }
    // Everything else starts at zero: no buffers, no thread, Idle, both
    // raw buffers Free.
    worker->camera = camera;
    KeInitializeEvent(&worker->processingDone, NotificationEvent, FALSE);
    KeInitializeEvent(&worker->stopRequested, NotificationEvent, FALSE);
    KeInitializeSpinLock(&worker->bufferLock);
    return worker;
}

void CaptureWorker::releaseBuffers() {
    FreeFrameBuffer(&image);
    FreeFrameBuffer(&rawBuffer[0]);
    FreeFrameBuffer(&rawBuffer[1]);
    imageBytes = 0;
}

NTSTATUS CaptureWorker::StartCapture(ConversionContext* stream, ULONG width, ULONG height) {
    AtomicWrite(&processing, 0);
    AtomicWrite(&framesCaptured, 0);
    conversion = stream;
    camera->PrepareCapture();

    ULONG rawBytes = 0;
    camera->GetRawFrameSize(&rawBytes);
    NTSTATUS status = rawBytes != 0 ? STATUS_SUCCESS : STATUS_DEVICE_NOT_READY;
    for (PUCHAR& buffer : rawBuffer) {
        buffer = rawBytes != 0 ? AllocFrameBuffer(rawBytes) : nullptr;
        if (buffer == nullptr && NT_SUCCESS(status)) {
            status = STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    // At most 1280 x 960 x 4: no overflow.
    imageBytes = width * height * kBytesPerPixel;
    image = AllocFrameBuffer(imageBytes);
    if (image == nullptr && NT_SUCCESS(status)) {
        status = STATUS_INSUFFICIENT_RESOURCES;
    }
    if (NT_SUCCESS(status)) {
        conversion->setGeometry(width, height);
        conversion->allocateWorkBuffer();
        if (conversion->workBuffer == nullptr) {
            status = STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    if (NT_SUCCESS(status)) {
        conversion->setOutputBuffer(image);
        AtomicWrite(&state, kCaptureRunning);
        status = StartThread();
    }
    if (!NT_SUCCESS(status)) {
        // Nothing of a failed start is kept: the next start begins afresh.
        AtomicWrite(&state, kCaptureIdle);
        conversion->setOutputBuffer(nullptr);
        conversion->releaseWorkBuffer();
        releaseBuffers();
    }
    return status;
}

NTSTATUS CaptureWorker::SetPaused(bool pause) {
    const LONG current = AtomicRead(&state);
    if (pause && current == kCaptureRunning) {
        StopThread();
        AtomicWrite(&state, kCapturePaused);
    } else if (!pause && current == kCapturePaused) {
        AtomicWrite(&state, kCaptureRunning);
        const NTSTATUS status = StartThread();
        if (!NT_SUCCESS(status)) {
            AtomicWrite(&state, kCapturePaused);
            return status;
        }
    }
    return STATUS_SUCCESS;
}

NTSTATUS CaptureWorker::Shutdown() {
    StopThread();
    AtomicWrite(&state, kCaptureIdle);
    if (conversion != nullptr) {
        conversion->setOutputBuffer(nullptr);
        conversion->releaseWorkBuffer();
    }
    releaseBuffers();
    return STATUS_SUCCESS;
}
