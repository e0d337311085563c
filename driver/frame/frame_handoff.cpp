// The stream side's half of the two-buffer hand-off.
#include "../camera/camera_device.h"
#include "../pipeline/conversion_context.h"
#include "../platform/interlocked.h"
#include "../platform/locks.h"
#include "capture_worker.h"

bool CaptureWorker::ConvertReadyFrame() {
    LONG taken = -1;
    {
        SpinLockGuard lock(&bufferLock);
        if (stopping != 0 || image == nullptr) {
            return false;
        }
        AtomicWrite(&processing, 1);
        if (bufferState[0] == kBufferReady) {
            taken = 0;
        } else if (bufferState[1] == kBufferReady) {
            taken = 1;
        }
        if (taken >= 0) {
            bufferState[taken] = kBufferConverting;
        }
    }
    if (taken < 0) {
        return true;  // the image keeps the previous frame
    }
    ULONG offset = 0;
    ULONG pitch = 0;
    camera->GetFrameDataOffset(&offset);
    camera->GetRawRowPitch(&pitch);
    // The region lies inside the sensor: the offset fits 32 bits.
    offset += static_cast<ULONG>(camera->GetRoiY()) * pitch + static_cast<ULONG>(camera->GetRoiX());
    conversion->convertFrame(rawBuffer[taken], offset, pitch);
    InterlockedIncrement(&framesConverted);
    SpinLockGuard lock(&bufferLock);
    bufferState[taken] = kBufferFree;
    return true;
}

void CaptureWorker::FinishProcessing() {
    {
        SpinLockGuard lock(&bufferLock);
        AtomicWrite(&processing, 0);
    }
    KeSetEvent(&processingDone, 1, FALSE);
}
