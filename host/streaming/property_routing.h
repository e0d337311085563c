// Finding a property item in a list of automation tables, and the default
// basic-support answer, as KsPropertyHandler does them. Internal to
// host/streaming; any thread.
#pragma once

#include <vector>

#include "ks_api.h"

namespace host::streaming::detail {

struct PropertyLookup {
    bool setFound = false;
    const KSPROPERTY_ITEM* item = nullptr;
};

// The first table with the set wins for the set; the item is the first
// with the id among all tables' sets with that GUID (tables in order).
PropertyLookup findProperty(const std::vector<const KSAUTOMATION_TABLE*>& tables, const GUID& set,
                            ULONG id);

// Writes the default basic-support answer for `item` into `data` and sets
// *information; returns the status.
NTSTATUS defaultBasicSupport(const KSPROPERTY_ITEM& item, PVOID data, ULONG dataLength,
                             ULONG_PTR* information);

}  // namespace host::streaming::detail
