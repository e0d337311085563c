// The device's side of a stream's start and stop.
#include "../camera/camera_device.h"
#include "../pipeline/conversion_context.h"
#include "../platform/interlocked.h"
#include "../platform/streaming.h"
#include "capture_worker.h"

namespace {

constexpr WORD kDeliveredBitCount = 32;
constexpr DWORD kUncompressedRgb = 0;  // BI_RGB

}  // namespace

NTSTATUS CameraDevice::StartConversion(StreamOwner* owner, PVOID videoInfo) {
    if (InterlockedCompareExchange(&streamClaimed, 1, 0) != 0) {
        return STATUS_SHARING_VIOLATION;  // another pin streams
    }
    streamFormat = videoInfo;
    ConversionContext::Destroy(detachConversion());

    const auto* info = static_cast<const KS_VIDEOINFOHEADER*>(videoInfo);
    NTSTATUS status = STATUS_SUCCESS;
    if (info->bmiHeader.biBitCount != kDeliveredBitCount ||
        info->bmiHeader.biCompression != kUncompressedRgb) {
        status = STATUS_INVALID_PARAMETER;
    } else {
        ConversionContext* context = nullptr;
        status = ConversionContext::Create(&context);
        if (NT_SUCCESS(status)) {
            attachConversion(context);
        }
    }
    if (!NT_SUCCESS(status)) {
        StopConversion();
        return status;
    }
    streamOwner = owner;
    return STATUS_SUCCESS;
}

void CameraDevice::StopConversion() {
    ConversionContext::Destroy(detachConversion());
    streamOwner = nullptr;
    streamFormat = nullptr;
    AtomicWrite(&streamClaimed, 0);
}

NTSTATUS CameraDevice::StartStreaming() {
    if (worker == nullptr) {
        return STATUS_DEVICE_NOT_READY;  // the start could not make one
    }
    deriveBayerPhase();
    ConversionContext* context = conversion;
    if (context == nullptr) {
        return STATUS_INVALID_DEVICE_STATE;  // not acquired
    }
    context->setBayerPhase(AtomicRead(&bayerPhase));
    return worker->StartCapture(context, static_cast<ULONG>(roiWidth),
                                static_cast<ULONG>(roiHeight));
}
