// KSPROPERTY_PIN_DATAINTERSECTION as the class answers it. The request is
// a KSP_PIN followed by a KSMULTIPLE_ITEM of the caller's ranges (each at
// an 8-byte boundary). For each caller range in order, and each of the
// pin's ranges matching it by major format, sub-format and specifier
// (wildcards on either side), the pin's IntersectHandler is called with the
// filter as context, the IRP, the KSP_PIN, the caller's range, the pin's
// range, the data buffer's length and the buffer. STATUS_NO_MATCH moves on;
// any other status ends the request with it, Information being the
// handler's *DataSize for success and STATUS_BUFFER_OVERFLOW (a size query
// with an empty buffer), 0 otherwise. No match anywhere: STATUS_NO_MATCH.
// A pin without a handler gets the class's default: the matching pin range
// itself as the format. A list that does not fit the request, or a range
// shorter than a KSDATARANGE: STATUS_INVALID_BUFFER_SIZE; an unknown pin
// id: STATUS_INVALID_PARAMETER. Internal to host/streaming.
#pragma once

#include "ks_api.h"

namespace host::streaming::detail {

NTSTATUS NTAPI intersectDataRanges(PIRP irp, PKSIDENTIFIER request, PVOID data);

}  // namespace host::streaming::detail
