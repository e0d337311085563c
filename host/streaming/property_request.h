// IOCTL_KS_PROPERTY on the stand-in class: one property request against a
// filter or a pin, routed through automation tables as KsPropertyHandler
// routes it.
//
// The request and data are captured into a system buffer (pool tag 'KsPr':
// the request, then the data at the next 8-byte boundary), so handlers
// see the request exactly as the caller sent it and a handler that writes
// past its data is caught by the pool's overrun check. On success the
// first Information bytes go back to the caller's data buffer.
//
// Refusals, before any handler runs:
//   request shorter than a KSPROPERTY, or than the item's MinProperty:
//     STATUS_INVALID_BUFFER_SIZE
//   no table has the set: STATUS_PROPSET_NOT_FOUND
//   KSPROPERTY_TYPE_SETSUPPORT on a known set: STATUS_SUCCESS, nothing returned
//   the set has no item with the id: STATUS_NOT_FOUND
//   data shorter than MinData: STATUS_BUFFER_OVERFLOW with Information =
//     MinData when the data buffer is empty (a size query),
//     STATUS_BUFFER_TOO_SMALL otherwise
//   the handler the request needs is missing: STATUS_NOT_FOUND
// KSPROPERTY_TYPE_BASICSUPPORT goes to the item's SupportHandler, or is
// answered from the item: a KSPROPERTY_DESCRIPTION (AccessFlags GET/SET/
// BASICSUPPORT as the item has handlers, the Values' type set and member
// lists) when the buffer holds one (the member lists too if they fit), the
// access flags as a ULONG when it holds a ULONG, STATUS_BUFFER_OVERFLOW with
// the full size when empty. A request with KSPROPERTY_TYPE_SET goes to
// the set handler, any other to the get handler, with the flags untouched.
// Information is 0 before any handler runs, and the caller gets exactly
// what the handler left there: a get handler that does not set it returns
// no data.
// Internal to host/streaming; called under the device's dispatch lock.
#pragma once

#include <vector>

#include "class_objects.h"

namespace host::streaming::detail {

struct PropertyResult {
    NTSTATUS status;
    ULONG bytesReturned;  // Information, for success and warning statuses; else 0
};

// Exactly one of filter and pin is the target (a pin request names the
// pin; its filter is the pin's).
PropertyResult runPropertyRequest(FilterInstance* filter, PinInstance* pin, const void* request,
                                  ULONG requestLength, void* data, ULONG dataLength);

// The class's own tables, consulted after the minidriver's.
const KSAUTOMATION_TABLE& classFilterAutomation();
const KSAUTOMATION_TABLE& classPinAutomation();

}  // namespace host::streaming::detail
