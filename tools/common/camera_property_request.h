// One request of a camera property as the tools take it from the command
// line: a get ("EXPOSURE") or a set ("EXPOSURE=300", "ROI=0,0,640,480",
// "RAW_COMMAND=1,2,3"), parsed and checked before the driver starts, then
// sent through the capture filter's property set as an application sends
// it.
#pragma once

#include <cstdint>
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

// A get of `property` (which must be gettable).
PropertyRequest getRequest(const CameraPropertyInfo& property);

// What the driver answered: its status and, for a get, the value (a
// block's first data byte).
struct PropertyAnswer {
    NTSTATUS status;
    LONG value;
};

PropertyAnswer exchangePropertyRequest(const host::streaming::FilterHandle& filter,
                                       const PropertyRequest& request);
