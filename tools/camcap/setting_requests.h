// camcap's settings through the driver's property set. Unlike camctl,
// which carries on past a refusal, camcap stops at the first one: a
// capture with a setting the user asked for and did not get would mislead.
// Each function throws std::runtime_error "NAME: the driver refused ...".
#pragma once

#include <iosfwd>
#include <string_view>
#include <vector>

#include "camera_property_request.h"

// Sends the sets in order.
void applySettings(const host::streaming::FilterHandle& filter,
                   const std::vector<PropertyRequest>& sets);

// Prints "NAME=VALUE" for each get.
void printSettings(const host::streaming::FilterHandle& filter,
                   const std::vector<PropertyRequest>& gets, std::ostream& out);

// The value of the plain property `name` (a name camera_property_names
// knows).
LONG readSetting(const host::streaming::FilterHandle& filter, std::string_view name);
