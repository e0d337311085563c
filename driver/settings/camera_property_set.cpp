#include "camera_property_set.h"

#include "../frame/stream_guids.h"
#include "camera_property_ids.h"
#include "property_handlers.h"

namespace {

constexpr ULONG kValueBytes = sizeof(CameraPropertyValue);
constexpr ULONG kRoiBytes = sizeof(CameraRoiPayload);
constexpr ULONG kBlockBytes = sizeof(CameraBlockPayload);

// Minimum property and data sizes are equal: the request is the payload.
constexpr KSPROPERTY_ITEM Item(ULONG id, PFNKSHANDLER get, PFNKSHANDLER set,
                               ULONG minimum = kValueBytes) {
    return KSPROPERTY_ITEM{id, {get}, minimum, minimum, {set}, nullptr, 0, nullptr, nullptr, 0};
}

constexpr PFNKSHANDLER kCommon = CommonPropertyHandler;
constexpr PFNKSHANDLER kNone = nullptr;

const KSPROPERTY_ITEM kCameraPropertyItems[CAMPROP_COUNT] = {
    Item(CAMPROP_EXTRIGGER, kCommon, kCommon),
    Item(CAMPROP_TIMEOUT, kCommon, kCommon),
    Item(CAMPROP_EXPOSURE, kCommon, kCommon),
    Item(CAMPROP_EXPOSURE_MIN, kCommon, kNone),
    Item(CAMPROP_EXPOSURE_MAX, kCommon, kNone),
    Item(CAMPROP_EXPOSURE_DEFAULT, kCommon, kNone),
    Item(CAMPROP_GLOBALGAIN, kCommon, kCommon),
    Item(CAMPROP_GLOBALGAIN_MIN, kCommon, kNone),
    Item(CAMPROP_GLOBALGAIN_MAX, kCommon, kNone),
    Item(CAMPROP_GLOBALGAIN_DEFAULT, kCommon, kNone),
    Item(CAMPROP_FLIPH, kCommon, kCommon),
    Item(CAMPROP_FLIPV, kCommon, kCommon),
    Item(CAMPROP_COLORENABLE, kCommon, kCommon),
    Item(CAMPROP_WHITEBALANCE, kCommon, kCommon),
    Item(CAMPROP_REDGAIN, kCommon, kCommon),
    Item(CAMPROP_GREENGAIN, kCommon, kCommon),
    Item(CAMPROP_BLUEGAIN, kCommon, kCommon),
    Item(CAMPROP_GAIN_MIN, ConstantOneHandler, kNone),
    Item(CAMPROP_GAIN_MAX, Constant512Handler, kNone),
    Item(CAMPROP_GAIN_DEFAULT, Constant128Handler, kNone),
    Item(CAMPROP_BRIGHTNESS, BrightnessHandler, BrightnessHandler),
    Item(CAMPROP_BRIGHTNESS_MIN, ConstantZeroHandler, kNone),
    Item(CAMPROP_BRIGHTNESS_MAX, Constant510Handler, kNone),
    Item(CAMPROP_BRIGHTNESS_DEFAULT, Constant255Handler, kNone),
    Item(CAMPROP_CONTRAST, ContrastHandler, ContrastHandler),
    Item(CAMPROP_CONTRAST_MIN, ConstantZeroHandler, kNone),
    Item(CAMPROP_CONTRAST_MAX, ConstantTwentyHandler, kNone),
    Item(CAMPROP_CONTRAST_DEFAULT, ConstantTenHandler, kNone),
    Item(CAMPROP_SATURATION, SaturationHandler, SaturationHandler),
    Item(CAMPROP_SATURATION_MIN, ConstantZeroHandler, kNone),
    Item(CAMPROP_SATURATION_MAX, ConstantTwentyHandler, kNone),
    Item(CAMPROP_SATURATION_DEFAULT, ConstantTenHandler, kNone),
    Item(CAMPROP_HUE, HueHandler, HueHandler),
    Item(CAMPROP_HUE_MIN, ConstantZeroHandler, kNone),
    Item(CAMPROP_HUE_MAX, Constant359Handler, kNone),
    Item(CAMPROP_HUE_DEFAULT, ConstantZeroHandler, kNone),
    Item(CAMPROP_RESERVED36, kCommon, kNone),
    Item(CAMPROP_SUBSAMPLE, kCommon, kNone),
    Item(CAMPROP_SENSOR_WIDTH, kCommon, kNone),
    Item(CAMPROP_SENSOR_HEIGHT, kCommon, kNone),
    Item(CAMPROP_WINDOW_X, kCommon, kNone),
    Item(CAMPROP_WINDOW_Y, kCommon, kNone),
    Item(CAMPROP_WINDOW_WIDTH, kCommon, kNone),
    Item(CAMPROP_WINDOW_HEIGHT, kCommon, kNone),
    Item(CAMPROP_ROI, kNone, RegionHandler, kRoiBytes),
    Item(CAMPROP_PIN_OPEN, kCommon, kNone),
    Item(CAMPROP_FIXED_ONE, kCommon, kNone),
    Item(CAMPROP_IGNORED47, kNone, kCommon),
    Item(CAMPROP_COLORCORRECTION, kCommon, kCommon),
    Item(CAMPROP_CLOCK, kCommon, kCommon),
    Item(CAMPROP_RESERVED50, kCommon, kNone),
    Item(CAMPROP_RESERVED51, kCommon, kNone),
    Item(CAMPROP_RESERVED52, kCommon, kNone),
    Item(CAMPROP_RESERVED53, kCommon, kNone),
    Item(CAMPROP_RESERVED54, kCommon, kNone),
    Item(CAMPROP_AGC, kCommon, kCommon),
    Item(CAMPROP_AEC, kCommon, kCommon),
    Item(CAMPROP_REGISTER_WRITE, RegisterWriteHandler, RegisterWriteHandler),
    Item(CAMPROP_REGISTER_READ, kCommon, kCommon),
    Item(CAMPROP_RAW_COMMAND, RawCommandHandler, RawCommandHandler, kBlockBytes),
    Item(CAMPROP_READ_BYTE, ReadByteHandler, ReadByteHandler, kBlockBytes),
};

const KSPROPERTY_SET kCameraPropertySets[] = {
    {&kCameraSettingsPropertySet, CAMPROP_COUNT, kCameraPropertyItems, 0, nullptr},
};

}  // namespace

const KSAUTOMATION_TABLE kCameraFilterAutomation = {
    1,  // PropertySetsCount
    sizeof(KSPROPERTY_ITEM),
    kCameraPropertySets,
    0,  // MethodSetsCount
    sizeof(KSMETHOD_ITEM),
    nullptr,
    0,  // EventSetsCount
    sizeof(KSEVENT_ITEM),
    nullptr,
};
