// The dedicated handlers: the region of interest, and the service access
// to registers, raw commands and the byte read.
#include "../camera/camera_device.h"
#include "camera_property_ids.h"
#include "property_handlers.h"

NTSTATUS NTAPI RegionHandler(PIRP irp, PKSIDENTIFIER /*request*/, PVOID data) {
    CameraDevice* camera = CameraFromIrp(irp);
    if (camera == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    const auto* region = static_cast<const CameraRoiPayload*>(data);
    // Succeeds also when the store ignores it (a pin is open).
    camera->setRegionOfInterest(region->x, region->y, region->width, region->height,
                                region->subSample);
    return STATUS_SUCCESS;
}

// The only item whose result reflects the camera transfer.
NTSTATUS NTAPI RegisterWriteHandler(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    CameraDevice* camera = CameraFromIrp(irp);
    if (camera == nullptr || !IsSetRequest(request)) {
        return STATUS_UNSUCCESSFUL;
    }
    const auto* payload = static_cast<const CameraPropertyValue*>(data);
    const bool written = camera->WriteCameraRegister(static_cast<ULONG>(payload->value),
                                                     static_cast<ULONG>(payload->second));
    return written ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

NTSTATUS NTAPI RawCommandHandler(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    CameraDevice* camera = CameraFromIrp(irp);
    if (camera == nullptr || !IsSetRequest(request)) {
        return STATUS_UNSUCCESSFUL;
    }
    const auto* payload = static_cast<const CameraBlockPayload*>(data);
    // The packet builder takes at most 63 bytes and none for a length of 0
    // or less; the outcome of the transfer is not reported.
    camera->SendRawCommand(payload->length, payload->data);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI ReadByteHandler(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    CameraDevice* camera = CameraFromIrp(irp);
    if (camera == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    auto* payload = static_cast<CameraBlockPayload*>(data);
    if (IsSetRequest(request)) {
        camera->setRegisterAddress(payload->address);
    } else {
        camera->ReadByteAt(&payload->data[0]);  // unchanged if the camera does not answer
        irp->IoStatus.Information = sizeof(CameraBlockPayload);
    }
    return STATUS_SUCCESS;
}
