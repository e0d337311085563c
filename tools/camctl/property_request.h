// camctl's side of a property request: the request itself is shared with
// the other tools (camera_property_request.h); camctl prints the answer.
#pragma once

#include <iosfwd>

#include "camera_property_request.h"

// Sends the request. A get prints "NAME=VALUE" on `out`; a failure prints
// "camctl: NAME: ..." on `err`. Returns whether the driver accepted it.
bool sendPropertyRequest(const host::streaming::FilterHandle& filter,
                         const PropertyRequest& request, std::ostream& out, std::ostream& err);
