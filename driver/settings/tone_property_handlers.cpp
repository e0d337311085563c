// One handler per adjustable tone setting: set calls the setter, anything
// else reports the getter's value.
#include "../camera/camera_device.h"
#include "camera_property_ids.h"
#include "property_handlers.h"

namespace {

using Setter = void (CameraDevice::*)(LONG);
using Getter = LONG (CameraDevice::*)();

NTSTATUS HandleTone(PIRP irp, PKSIDENTIFIER request, PVOID data, Setter set, Getter get) {
    if (irp == nullptr || request == nullptr || data == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    CameraDevice* camera = CameraFromIrp(irp);
    if (camera == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    auto* payload = static_cast<CameraPropertyValue*>(data);
    if (IsSetRequest(request)) {
        (camera->*set)(payload->value);
    } else {
        payload->value = (camera->*get)();
        irp->IoStatus.Information = sizeof(CameraPropertyValue);
    }
    return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS NTAPI BrightnessHandler(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    return HandleTone(irp, request, data, &CameraDevice::setBrightness,
                      &CameraDevice::getBrightness);
}

NTSTATUS NTAPI ContrastHandler(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    return HandleTone(irp, request, data, &CameraDevice::setContrast, &CameraDevice::getContrast);
}

NTSTATUS NTAPI SaturationHandler(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    return HandleTone(irp, request, data, &CameraDevice::setSaturation,
                      &CameraDevice::getSaturation);
}

NTSTATUS NTAPI HueHandler(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    return HandleTone(irp, request, data, &CameraDevice::setHue, &CameraDevice::getHue);
}
