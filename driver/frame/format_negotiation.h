// Which video formats the pin accepts. Both handlers are called by the
// streaming class at passive level with buffers an application supplied:
// every size in them is checked before use, and every product or sum of
// sizes is computed in 64 bits, so no client format can wrap a check.
#pragma once

#include "../platform/streaming.h"

// The data-range intersection handler: for a caller's range that matches
// the pin's in major format, sub-format and specifier, builds a
// KS_DATAFORMAT_VIDEOINFOHEADER from the pin's range head and the caller's
// video info header (112 + biSize bytes).
//   STATUS_NO_MATCH: not a video-info range, or other capabilities;
//   STATUS_INVALID_PARAMETER: its sizes are inconsistent;
//   STATUS_BUFFER_OVERFLOW with *dataSize: a size query (buffer size 0);
//   STATUS_BUFFER_TOO_SMALL: the buffer cannot hold the result.
NTSTATUS NTAPI IntersectVideoFormat(PVOID context, PIRP irp, PKSP_PIN pinRequest,
                                    PKSDATARANGE callerRange, PKSDATARANGE pinRange,
                                    ULONG bufferSize, PVOID data, PULONG dataSize);

// The pin's SetDataFormat: at pin creation (no old format) it checks the
// connection format against the pin's range; later (old format given) it
// also takes the new format into the pin's context, in the Stop state only
// (STATUS_INVALID_DEVICE_STATE otherwise).
NTSTATUS NTAPI SetDataFormat(PKSPIN pin, PKSDATAFORMAT oldFormat, PKSMULTIPLE_ITEM oldAttributeList,
                             const KSDATARANGE* dataRange, const KSATTRIBUTE_LIST* attributeRange);
