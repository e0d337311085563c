// How the class matches data formats against data ranges: by major format,
// sub-format and specifier, a null GUID (the KSDATAFORMAT_*_WILDCARD
// values) matching anything. Internal to host/streaming; any thread.
#pragma once

#include "ks_api.h"

namespace host::streaming::detail {

// Pin creation and format changes: wildcards in the pin's range only.
bool formatMatchesRange(const KSDATAFORMAT& format, const KSDATARANGE& range);
// Intersection: wildcards on either side.
bool rangesIntersect(const KSDATARANGE& callerRange, const KSDATARANGE& pinRange);
// The first of the pin's ranges the format matches, or null.
const KSDATARANGE* matchingRange(const KSPIN_DESCRIPTOR& pin, const KSDATAFORMAT& format);

// FILE_QUAD_ALIGNMENT: how ranges are packed in a KSMULTIPLE_ITEM list.
constexpr ULONG alignedRangeSize(ULONG size) {
    return (size + 7U) & ~7U;
}

}  // namespace host::streaming::detail
