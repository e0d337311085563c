#include "pin_context.h"

#include <new>

#include "../camera/camera_device.h"
#include "../platform/pool.h"
#include "pin_framing.h"

namespace {

constexpr ULONG kVideoInfoFixedBytes = FIELD_OFFSET(KS_VIDEOINFOHEADER, bmiHeader);

void NTAPI DestroyPinContext(PVOID context) {
    PinContext::Destroy(static_cast<PinContext*>(context));
}

CameraDevice* DeviceOfPin(PKSPIN pin) {
    PKSDEVICE device = KsPinGetDevice(pin);
    return device != nullptr ? static_cast<CameraDevice*>(device->Context) : nullptr;
}

const KS_VIDEOINFOHEADER* VideoInfoOf(PKSDATAFORMAT format) {
    return reinterpret_cast<const KS_VIDEOINFOHEADER*>(reinterpret_cast<PUCHAR>(format) +
                                                       sizeof(KSDATAFORMAT));
}

}  // namespace

PinContext* PinContext::Create(PKSPIN pin, CameraDevice* device) {
    void* block = AllocZeroed(sizeof(PinContext), NonPagedPoolNx);
    if (block == nullptr) {
        return nullptr;
    }
    auto* context = new (block) PinContext;
    context->pin = pin;
    context->device = device;
    return context;
}

void PinContext::Destroy(PinContext* context) {
    if (context == nullptr) {
        return;
    }
    context->~PinContext();
    FreeBlock(context);
}

void PinContext::AttemptProcessing() {
    KsPinAttemptProcessing(pin, TRUE);
}

void PinContext::copyVideoInfo(const KS_VIDEOINFOHEADER* header) {
    ULONG bytes = kVideoInfoFixedBytes + header->bmiHeader.biSize;
    if (header->bmiHeader.biSize > sizeof(videoInfo) || bytes > sizeof(videoInfo)) {
        bytes = sizeof(videoInfo);
    }
    RtlCopyMemory(&videoInfo, header, bytes);
}

NTSTATUS NTAPI PinCreate(PKSPIN pin, PIRP /*irp*/) {
    CameraDevice* device = DeviceOfPin(pin);
    if (device == nullptr) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    PinContext* context = PinContext::Create(pin, device);
    if (context == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    // From here on the region of interest, and so the advertised size, is
    // fixed for this pin.
    device->setPinOpen(1);
    NTSTATUS status = KsAddItemToObjectBag(pin->Bag, context, DestroyPinContext);
    if (!NT_SUCCESS(status)) {
        // The class will not close a pin it could not create: release the
        // region here, or it would stay frozen.
        device->setPinOpen(0);
        PinContext::Destroy(context);
        return status;
    }
    pin->Context = context;
    // Headers with room for the frame information (picture number and
    // drop count) that capture applications read.
    pin->StreamHeaderSize = kFramedStreamHeaderSize;
    context->copyVideoInfo(VideoInfoOf(pin->ConnectionFormat));
    status = MakePrivateFraming(pin, context->videoInfo.bmiHeader.biSizeImage);
    if (!NT_SUCCESS(status)) {
        // As above; the context goes with the pin's bag.
        pin->Context = nullptr;
        device->setPinOpen(0);
    }
    return status;
}

NTSTATUS NTAPI PinClose(PKSPIN pin, PIRP /*irp*/) {
    auto* context = static_cast<PinContext*>(pin->Context);
    if (context != nullptr) {
        context->stride = 0;
        context->device->setPinOpen(0);
    }
    return STATUS_SUCCESS;
}
