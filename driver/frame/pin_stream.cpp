// The pin's stream: its state changes and its process routine.
#include "../camera/camera_device.h"
#include "../platform/interlocked.h"
#include "capture_worker.h"
#include "pin_context.h"

namespace {

constexpr LONG kStopped = 0;
constexpr LONG kPausedAfterRunning = 1;
constexpr LONG kRunning = 2;
constexpr LONG kBytesPerPixel = 4;
constexpr ULONG kTimedFrameFlags =
    KSSTREAM_HEADER_OPTIONSF_TIMEVALID | KSSTREAM_HEADER_OPTIONSF_DURATIONVALID;

PinContext* ContextOf(PKSPIN pin) {
    return static_cast<PinContext*>(pin->Context);
}

}  // namespace

NTSTATUS NTAPI PinSetDeviceState(PKSPIN pin, KSSTATE to, KSSTATE from) {
    PinContext* context = ContextOf(pin);
    return context != nullptr ? context->setDeviceState(to, from) : STATUS_INVALID_DEVICE_STATE;
}

NTSTATUS NTAPI PinProcess(PKSPIN pin) {
    PinContext* context = ContextOf(pin);
    return context != nullptr ? context->process() : STATUS_PENDING;
}

CaptureWorker* PinContext::worker() const {
    return device->worker;
}

void PinContext::stopCapture() {
    if (runState != kStopped && worker() != nullptr) {
        worker()->Shutdown();
    }
    runState = kStopped;
}

void PinContext::releaseStream() {
    if (acquired == 0) {
        return;
    }
    if (clock != nullptr) {
        clock->Release();
        clock = nullptr;
    }
    device->StopConversion();
    acquired = 0;
}

NTSTATUS PinContext::acquire() {
    const NTSTATUS status = device->StartConversion(this, &videoInfo);
    if (!NT_SUCCESS(status)) {
        acquired = 0;
        return status;
    }
    acquired = 1;
    if (!NT_SUCCESS(KsPinGetReferenceClockInterface(pin, &clock))) {
        clock = nullptr;  // frames go out untimed
    }
    return STATUS_SUCCESS;
}

NTSTATUS PinContext::setDeviceState(KSSTATE to, KSSTATE from) {
    switch (to) {
        case KSSTATE_STOP:
            stopCapture();
            releaseStream();
            return STATUS_SUCCESS;
        case KSSTATE_ACQUIRE:
            if (from == KSSTATE_STOP) {
                return acquire();
            }
            stopCapture();
            return STATUS_SUCCESS;
        case KSSTATE_PAUSE:
            if (from == KSSTATE_RUN && worker() != nullptr) {
                const NTSTATUS status = worker()->SetPaused(true);
                if (NT_SUCCESS(status)) {
                    runState = kPausedAfterRunning;
                }
                return status;
            }
            return STATUS_SUCCESS;
        case KSSTATE_RUN: {
            if (worker() == nullptr) {
                return STATUS_DEVICE_NOT_READY;
            }
            if (runState != kPausedAfterRunning) {
                startFrameNumbering(worker());
            }
            const NTSTATUS status = runState == kPausedAfterRunning ? worker()->SetPaused(false)
                                                                    : device->StartStreaming();
            if (NT_SUCCESS(status)) {
                runState = kRunning;
            }
            return status;
        }
        default:
            return STATUS_INVALID_PARAMETER;
    }
}

NTSTATUS PinContext::process() {
    CaptureWorker* capture = worker();
    if (capture == nullptr || AtomicRead(&capture->framesCaptured) <= 0) {
        return STATUS_PENDING;
    }
    PKSSTREAM_POINTER leading =
        KsPinGetLeadingEdgeStreamPointer(pin, KSSTREAM_POINTER_STATE_LOCKED);
    // The ready frame is converted even without a buffer to take it; it is
    // then dropped.
    const bool mayDeliver = capture->ConvertReadyFrame();
    if (leading != nullptr) {
        if (mayDeliver) {
            deliver(leading, capture);
        } else {
            KsStreamPointerUnlock(leading, FALSE);  // a stop has begun
        }
    }
    capture->FinishProcessing();
    return STATUS_PENDING;
}

void PinContext::deliver(PKSSTREAM_POINTER leading, CaptureWorker* capture) {
    PKSSTREAM_HEADER header = leading->StreamHeader;
    const ULONG imageBytes = videoInfo.bmiHeader.biSizeImage;
    const LONGLONG rows = device->outputHeight;
    const LONGLONG rowBytes = static_cast<LONGLONG>(device->outputWidth) * kBytesPerPixel;
    const LONGLONG sourceStep = static_cast<LONGLONG>(device->roiWidth) * kBytesPerPixel;
    const LONGLONG destinationStep = stride > rowBytes ? stride : rowBytes;
    // The last byte written: it must lie inside both the buffer and the
    // connected format (the shared data range may have offered this pin a
    // smaller size than its device now delivers).
    const LONGLONG extent = rows > 0 ? (rows - 1) * destinationStep + rowBytes : 0;
    if (header->FrameExtent < imageBytes || extent > imageBytes) {
        InterlockedIncrement(&capture->buffersTooSmall);
        header->DataUsed = 0;
        KsStreamPointerUnlock(leading, TRUE);
        return;
    }
    header->DataUsed = imageBytes;
    header->Duration = videoInfo.AvgTimePerFrame;
    header->PresentationTime.Numerator = 1;
    header->PresentationTime.Denominator = 1;
    if (clock != nullptr) {
        header->PresentationTime.Time = clock->GetTime();
        header->OptionsFlags = kTimedFrameFlags;
    } else {
        header->PresentationTime.Time = 0;
    }
    describeFrame(header, capture);
    // Bottom row first: a positive-height BI_RGB bitmap is stored bottom-up.
    const PUCHAR image = capture->image;
    auto* destination = static_cast<PUCHAR>(header->Data);
    for (LONGLONG row = rows - 1; row >= 0; --row) {
        RtlCopyMemory(destination, image + row * sourceStep, static_cast<SIZE_T>(rowBytes));
        destination += destinationStep;
    }
    KsStreamPointerUnlock(leading, TRUE);
}

void PinContext::startFrameNumbering(CaptureWorker* capture) {
    convertedAtStart = AtomicRead(&capture->framesConverted);
    droppedAtStart = AtomicRead(&capture->framesDropped);
    lastPicture = 0;
    picturesDelivered = 0;
}

void PinContext::describeFrame(PKSSTREAM_HEADER header, CaptureWorker* capture) {
    if (header->Size < kFramedStreamHeaderSize) {
        return;
    }
    // Unsigned differences stay right when a counter wraps.
    const LONGLONG picture = static_cast<ULONG>(AtomicRead(&capture->framesConverted)) -
                             static_cast<ULONG>(convertedAtStart);
    if (picture != lastPicture) {
        lastPicture = picture;
        ++picturesDelivered;
    }
    const LONGLONG overwritten = static_cast<ULONG>(AtomicRead(&capture->framesDropped)) -
                                 static_cast<ULONG>(droppedAtStart);
    auto* info = reinterpret_cast<PKS_FRAME_INFO>(header + 1);
    RtlZeroMemory(info, sizeof(KS_FRAME_INFO));
    info->ExtendedHeaderSize = sizeof(KS_FRAME_INFO);
    info->dwFrameFlags = KS_VIDEO_FLAG_FRAME | KS_VIDEO_FLAG_I_FRAME;
    info->PictureNumber = picture;
    info->DropCount = overwritten + (picture - picturesDelivered);
}
