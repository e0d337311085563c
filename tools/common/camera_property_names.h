// The camera's property names as the tools use them: the items' names
// without the CAMPROP_ prefix, matched ignoring case and underscores
// ("EXPOSURE_MIN", "Exposure_Min" and "exposuremin" are one property).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/camera_property_ids.h"

enum class PropertyPayload {
    kValue,   // CameraPropertyValue: the 32-bit value
    kRegion,  // CameraRoiPayload: x, y, width, height
    kBlock,   // CameraBlockPayload: address, length, 64 data bytes
};

struct CameraPropertyInfo {
    ULONG id;
    const char* name;  // e.g. "EXPOSURE_MIN"
    PropertyPayload payload;
    bool gettable;
    bool settable;
};

// All 61, in identifier order.
std::span<const CameraPropertyInfo> cameraProperties();

// The property a user's name stands for; an optional "CAMPROP_" prefix is
// accepted too.
const CameraPropertyInfo* findCameraProperty(std::string_view name);
