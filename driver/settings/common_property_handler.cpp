// The common handler: the settings of the store and the bounds and
// constants that need no handler of their own.
#include "../camera/camera_device.h"
#include "../camera/sensor_geometry.h"
#include "camera_property_ids.h"
#include "property_handlers.h"
#include "settings_limits.h"

namespace {

LONG AsValue(ULONG value) {
    return static_cast<LONG>(value);
}

LONG ShadowAtSelectedAddress(CameraDevice* camera) {
    ULONG value = 0;
    if (!camera->readShadowRegister(camera->registerAddress, &value)) {
        return 0;  // an address beyond the shadow reads as 0
    }
    return AsValue(value);
}

// Returns what a get of `id` reports; identifiers it has no case for
// report nothing (the value is left as the caller sent it).
void GetSetting(CameraDevice* camera, ULONG id, LONG* value) {
    switch (id) {
        case CAMPROP_EXTRIGGER:
            *value = camera->getExTrigger();
            break;
        case CAMPROP_TIMEOUT:
            *value = AsValue(camera->getTimeout());
            break;
        case CAMPROP_EXPOSURE:
            *value = AsValue(camera->getExposure());
            break;
        case CAMPROP_EXPOSURE_MIN:
            *value = AsValue(kExposureMin);
            break;
        case CAMPROP_EXPOSURE_MAX:
            *value = AsValue(kExposureMax);
            break;
        case CAMPROP_EXPOSURE_DEFAULT:
            *value = AsValue(kExposureDefault);
            break;
        case CAMPROP_GLOBALGAIN:
            *value = AsValue(camera->getGlobalGain());
            break;
        case CAMPROP_GLOBALGAIN_MIN:
            *value = AsValue(kGlobalGainMin);
            break;
        case CAMPROP_GLOBALGAIN_MAX:
            *value = AsValue(kGlobalGainMax);
            break;
        case CAMPROP_GLOBALGAIN_DEFAULT:
            *value = AsValue(kGlobalGainDefault);
            break;
        case CAMPROP_FLIPH:
            *value = AsValue(camera->getFlipH());
            break;
        case CAMPROP_FLIPV:
            *value = AsValue(camera->getFlipV());
            break;
        case CAMPROP_COLORENABLE:
            *value = camera->getColorEnable();
            break;
        case CAMPROP_WHITEBALANCE:
            *value = camera->getWhiteBalance();
            break;
        case CAMPROP_REDGAIN:
            *value = camera->getRedGain();
            break;
        case CAMPROP_GREENGAIN:
            *value = camera->getGreenGain();
            break;
        case CAMPROP_BLUEGAIN:
            *value = camera->getBlueGain();
            break;
        case CAMPROP_RESERVED36:
            *value = 0;
            break;
        case CAMPROP_SUBSAMPLE:
            *value = AsValue(camera->getSubSample());
            break;
        case CAMPROP_SENSOR_WIDTH:
            *value = AsValue(kSensorWidth);
            break;
        case CAMPROP_SENSOR_HEIGHT:
            *value = AsValue(kSensorHeight);
            break;
        case CAMPROP_WINDOW_X:
            *value = camera->getWindowX();
            break;
        case CAMPROP_WINDOW_Y:
            *value = camera->getWindowY();
            break;
        case CAMPROP_WINDOW_WIDTH:
            *value = camera->getWindowWidth();
            break;
        case CAMPROP_WINDOW_HEIGHT:
            *value = camera->getWindowHeight();
            break;
        case CAMPROP_PIN_OPEN:
            *value = camera->isPinOpen();
            break;
        case CAMPROP_FIXED_ONE:
            *value = 1;
            break;
        case CAMPROP_COLORCORRECTION:
            *value = camera->getColorCorrection();
            break;
        case CAMPROP_CLOCK:
            *value = AsValue(camera->readClockMode());
            break;
        case CAMPROP_RESERVED50:
        case CAMPROP_RESERVED51:
        case CAMPROP_RESERVED52:
        case CAMPROP_RESERVED53:
        case CAMPROP_RESERVED54:
            *value = 0;
            break;
        case CAMPROP_AGC:
            *value = AsValue(camera->getAgc());
            break;
        case CAMPROP_AEC:
            *value = AsValue(camera->getAec());
            break;
        case CAMPROP_REGISTER_READ:
            *value = ShadowAtSelectedAddress(camera);
            break;
        default:
            break;
    }
}

// Sets of reported-only items (flips, clock, AGC, AEC, 47) are accepted
// and change nothing.
void SetSetting(CameraDevice* camera, ULONG id, LONG value) {
    const auto unsignedValue = static_cast<ULONG>(value);
    switch (id) {
        case CAMPROP_EXTRIGGER:
            camera->setExTrigger(value != 0);
            break;
        case CAMPROP_TIMEOUT:
            if (unsignedValue > kTimeoutFloorMs) {
                camera->setTimeout(unsignedValue);
            }
            break;
        case CAMPROP_EXPOSURE:
            camera->setExposure(unsignedValue);
            break;
        case CAMPROP_GLOBALGAIN:
            camera->setGlobalGain(unsignedValue);
            break;
        case CAMPROP_COLORENABLE:
            camera->setColorEnable(value);
            break;
        case CAMPROP_WHITEBALANCE:
            camera->setWhiteBalance(value);
            break;
        case CAMPROP_REDGAIN:
            camera->setRedGain(value);
            break;
        case CAMPROP_GREENGAIN:
            camera->setGreenGain(value);
            break;
        case CAMPROP_BLUEGAIN:
            camera->setBlueGain(value);
            break;
        case CAMPROP_COLORCORRECTION:
            camera->setColorCorrection(value);
            break;
        case CAMPROP_REGISTER_READ:
            camera->setRegisterAddress(unsignedValue);
            break;
        default:
            break;
    }
}

}  // namespace

CameraDevice* CameraFromIrp(PIRP irp) {
    PKSFILTER filter = KsGetFilterFromIrp(irp);
    if (filter == nullptr) {
        return nullptr;
    }
    PKSDEVICE device = KsFilterGetDevice(filter);
    if (device == nullptr) {
        return nullptr;
    }
    return static_cast<CameraDevice*>(device->Context);
}

bool IsSetRequest(const KSIDENTIFIER* request) {
    return request->Flags == KSPROPERTY_TYPE_SET;
}

NTSTATUS NTAPI CommonPropertyHandler(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    CameraDevice* camera = CameraFromIrp(irp);
    if (camera == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    auto* payload = static_cast<CameraPropertyValue*>(data);
    if (IsSetRequest(request)) {
        SetSetting(camera, request->Id, payload->value);
    } else {
        GetSetting(camera, request->Id, &payload->value);
        irp->IoStatus.Information = sizeof(CameraPropertyValue);
    }
    return STATUS_SUCCESS;
}
