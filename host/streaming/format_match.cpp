#include "format_match.h"

namespace host::streaming::detail {
namespace {

bool isWildcard(const GUID& guid) {
    return guid == GUID_NULL;
}

bool oneSided(const GUID& value, const GUID& pattern) {
    return isWildcard(pattern) || value == pattern;
}

bool eitherSide(const GUID& one, const GUID& other) {
    return isWildcard(one) || isWildcard(other) || one == other;
}

}  // namespace

bool formatMatchesRange(const KSDATAFORMAT& format, const KSDATARANGE& range) {
    return oneSided(format.MajorFormat, range.MajorFormat) &&
           oneSided(format.SubFormat, range.SubFormat) &&
           oneSided(format.Specifier, range.Specifier);
}

bool rangesIntersect(const KSDATARANGE& callerRange, const KSDATARANGE& pinRange) {
    return eitherSide(callerRange.MajorFormat, pinRange.MajorFormat) &&
           eitherSide(callerRange.SubFormat, pinRange.SubFormat) &&
           eitherSide(callerRange.Specifier, pinRange.Specifier);
}

const KSDATARANGE* matchingRange(const KSPIN_DESCRIPTOR& pin, const KSDATAFORMAT& format) {
    for (ULONG i = 0; i < pin.DataRangesCount; ++i) {
        if (formatMatchesRange(format, *pin.DataRanges[i])) {
            return pin.DataRanges[i];
        }
    }
    return nullptr;
}

}  // namespace host::streaming::detail
