// camcap's --roi X,Y,W,H: the part of the sensor to deliver, checked
// against the sensor before the driver starts and sent through the ROI
// property before the pin is made, so the pin's format has its size.
// The driver still adjusts what it must (even origins, a width rounded
// down to a multiple of 8); the negotiated format tells the final size.
#pragma once

#include <string_view>

#include "camera_property_request.h"

struct CaptureRegion {
    long x = 0;
    long y = 0;
    long width = 0;
    long height = 0;
};

// Throws std::runtime_error starting "--roi: " for anything but four
// integers describing at least 8 x 8 pixels inside the 1280 x 960 sensor.
CaptureRegion parseCaptureRegion(std::string_view text);

// The ROI set that selects `region`.
PropertyRequest regionRequest(const CaptureRegion& region);
