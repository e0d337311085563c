// One request of camctl's command line: a get ("EXPOSURE") or a set
// ("EXPOSURE=300", "ROI=0,0,640,480", "RAW_COMMAND=1,2,3"), parsed and
// checked before the driver starts, then sent through the capture filter.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string_view>
#include <vector>

#include <streaming/ks_client.h>

#include "camera_property_names.h"

struct PropertyRequest {
    const CameraPropertyInfo* property = nullptr;
    bool set = false;
    std::vector<std::int64_t> numbers;  // the value(s) of a set
};

// Throws std::runtime_error naming the argument for an unknown name, a set
// of a read-only property, a get of a write-only one, or a malformed value.
PropertyRequest parsePropertyRequest(std::string_view argument);

// Sends the request. A get prints "NAME=VALUE" on `out`; a failure prints
// "camctl: NAME: ..." on `err`. Returns whether the driver accepted it.
bool sendPropertyRequest(const host::streaming::FilterHandle& filter,
                         const PropertyRequest& request, std::ostream& out, std::ostream& err);
