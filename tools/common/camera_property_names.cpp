#include "camera_property_names.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

const std::array<CameraPropertyInfo, CAMPROP_COUNT> kProperties = {{
    {CAMPROP_EXTRIGGER, "EXTRIGGER", PropertyPayload::kValue, true, true},
    {CAMPROP_TIMEOUT, "TIMEOUT", PropertyPayload::kValue, true, true},
    {CAMPROP_EXPOSURE, "EXPOSURE", PropertyPayload::kValue, true, true},
    {CAMPROP_EXPOSURE_MIN, "EXPOSURE_MIN", PropertyPayload::kValue, true, false},
    {CAMPROP_EXPOSURE_MAX, "EXPOSURE_MAX", PropertyPayload::kValue, true, false},
    {CAMPROP_EXPOSURE_DEFAULT, "EXPOSURE_DEFAULT", PropertyPayload::kValue, true, false},
    {CAMPROP_GLOBALGAIN, "GLOBALGAIN", PropertyPayload::kValue, true, true},
    {CAMPROP_GLOBALGAIN_MIN, "GLOBALGAIN_MIN", PropertyPayload::kValue, true, false},
    {CAMPROP_GLOBALGAIN_MAX, "GLOBALGAIN_MAX", PropertyPayload::kValue, true, false},
    {CAMPROP_GLOBALGAIN_DEFAULT, "GLOBALGAIN_DEFAULT", PropertyPayload::kValue, true, false},
    {CAMPROP_FLIPH, "FLIPH", PropertyPayload::kValue, true, true},
    {CAMPROP_FLIPV, "FLIPV", PropertyPayload::kValue, true, true},
    {CAMPROP_COLORENABLE, "COLORENABLE", PropertyPayload::kValue, true, true},
    {CAMPROP_WHITEBALANCE, "WHITEBALANCE", PropertyPayload::kValue, true, true},
    {CAMPROP_REDGAIN, "REDGAIN", PropertyPayload::kValue, true, true},
    {CAMPROP_GREENGAIN, "GREENGAIN", PropertyPayload::kValue, true, true},
    {CAMPROP_BLUEGAIN, "BLUEGAIN", PropertyPayload::kValue, true, true},
    {CAMPROP_GAIN_MIN, "GAIN_MIN", PropertyPayload::kValue, true, false},
    {CAMPROP_GAIN_MAX, "GAIN_MAX", PropertyPayload::kValue, true, false},
    {CAMPROP_GAIN_DEFAULT, "GAIN_DEFAULT", PropertyPayload::kValue, true, false},
    {CAMPROP_BRIGHTNESS, "BRIGHTNESS", PropertyPayload::kValue, true, true},
    {CAMPROP_BRIGHTNESS_MIN, "BRIGHTNESS_MIN", PropertyPayload::kValue, true, false},
    {CAMPROP_BRIGHTNESS_MAX, "BRIGHTNESS_MAX", PropertyPayload::kValue, true, false},
    {CAMPROP_BRIGHTNESS_DEFAULT, "BRIGHTNESS_DEFAULT", PropertyPayload::kValue, true, false},
    {CAMPROP_CONTRAST, "CONTRAST", PropertyPayload::kValue, true, true},
    {CAMPROP_CONTRAST_MIN, "CONTRAST_MIN", PropertyPayload::kValue, true, false},
    {CAMPROP_CONTRAST_MAX, "CONTRAST_MAX", PropertyPayload::kValue, true, false},
    {CAMPROP_CONTRAST_DEFAULT, "CONTRAST_DEFAULT", PropertyPayload::kValue, true, false},
    {CAMPROP_SATURATION, "SATURATION", PropertyPayload::kValue, true, true},
    {CAMPROP_SATURATION_MIN, "SATURATION_MIN", PropertyPayload::kValue, true, false},
    {CAMPROP_SATURATION_MAX, "SATURATION_MAX", PropertyPayload::kValue, true, false},
    {CAMPROP_SATURATION_DEFAULT, "SATURATION_DEFAULT", PropertyPayload::kValue, true, false},
    {CAMPROP_HUE, "HUE", PropertyPayload::kValue, true, true},
    {CAMPROP_HUE_MIN, "HUE_MIN", PropertyPayload::kValue, true, false},
    {CAMPROP_HUE_MAX, "HUE_MAX", PropertyPayload::kValue, true, false},
    {CAMPROP_HUE_DEFAULT, "HUE_DEFAULT", PropertyPayload::kValue, true, false},
    {CAMPROP_RESERVED36, "RESERVED36", PropertyPayload::kValue, true, false},
    {CAMPROP_SUBSAMPLE, "SUBSAMPLE", PropertyPayload::kValue, true, false},
    {CAMPROP_SENSOR_WIDTH, "SENSOR_WIDTH", PropertyPayload::kValue, true, false},
    {CAMPROP_SENSOR_HEIGHT, "SENSOR_HEIGHT", PropertyPayload::kValue, true, false},
    {CAMPROP_WINDOW_X, "WINDOW_X", PropertyPayload::kValue, true, false},
    {CAMPROP_WINDOW_Y, "WINDOW_Y", PropertyPayload::kValue, true, false},
    {CAMPROP_WINDOW_WIDTH, "WINDOW_WIDTH", PropertyPayload::kValue, true, false},
    {CAMPROP_WINDOW_HEIGHT, "WINDOW_HEIGHT", PropertyPayload::kValue, true, false},
    {CAMPROP_ROI, "ROI", PropertyPayload::kRegion, false, true},
    {CAMPROP_PIN_OPEN, "PIN_OPEN", PropertyPayload::kValue, true, false},
    {CAMPROP_FIXED_ONE, "FIXED_ONE", PropertyPayload::kValue, true, false},
    {CAMPROP_IGNORED47, "IGNORED47", PropertyPayload::kValue, false, true},
    {CAMPROP_COLORCORRECTION, "COLORCORRECTION", PropertyPayload::kValue, true, true},
    {CAMPROP_CLOCK, "CLOCK", PropertyPayload::kValue, true, true},
    {CAMPROP_RESERVED50, "RESERVED50", PropertyPayload::kValue, true, false},
    {CAMPROP_RESERVED51, "RESERVED51", PropertyPayload::kValue, true, false},
    {CAMPROP_RESERVED52, "RESERVED52", PropertyPayload::kValue, true, false},
    {CAMPROP_RESERVED53, "RESERVED53", PropertyPayload::kValue, true, false},
    {CAMPROP_RESERVED54, "RESERVED54", PropertyPayload::kValue, true, false},
    {CAMPROP_AGC, "AGC", PropertyPayload::kValue, true, true},
    {CAMPROP_AEC, "AEC", PropertyPayload::kValue, true, true},
    {CAMPROP_REGISTER_WRITE, "REGISTER_WRITE", PropertyPayload::kValue, true, true},
    {CAMPROP_REGISTER_READ, "REGISTER_READ", PropertyPayload::kValue, true, true},
    {CAMPROP_RAW_COMMAND, "RAW_COMMAND", PropertyPayload::kBlock, true, true},
    {CAMPROP_READ_BYTE, "READ_BYTE", PropertyPayload::kBlock, true, true},
}};

// Upper case without underscores: the form names are compared in.
std::string folded(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c != '_') {
            out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        }
    }
    return out;
}

}  // namespace

std::span<const CameraPropertyInfo> cameraProperties() {
    return kProperties;
}

const CameraPropertyInfo* findCameraProperty(std::string_view name) {
    std::string wanted = folded(name);
    if (wanted.starts_with("CAMPROP") && wanted.size() > 7) {
        wanted.erase(0, 7);
    }
    const auto found =
        std::find_if(kProperties.begin(), kProperties.end(),
                     [&](const CameraPropertyInfo& p) { return folded(p.name) == wanted; });
    return found == kProperties.end() ? nullptr : &*found;
}
