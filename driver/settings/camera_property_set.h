// The camera's property set on the capture filter: 61 items, every one
// handled synchronously on the requesting application's thread at passive
// level. The streaming class has already matched the item, checked the
// buffer minimums and that the item has a handler for the direction; a
// handler finds the device through the filter and calls the settings
// store. A request is a set only when its flags are exactly
// KSPROPERTY_TYPE_SET; anything else is served as a get.
#pragma once

#include "../platform/streaming.h"

// The filter's automation table: this one property set, no methods or
// events.
extern const KSAUTOMATION_TABLE kCameraFilterAutomation;
