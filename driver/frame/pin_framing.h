// The video pin's descriptor and allocator framing: two frames in
// non-paged system memory. The static framing asks for 8192-byte frames; a
// pin makes private copies of its descriptor and framing (in its bag, tag
// QPZh) and asks for frames of its format's image size instead.
#pragma once

#include "../platform/streaming.h"

extern const KSPIN_DESCRIPTOR_EX kVideoPinDescriptor;

// Pin create: makes the private copies and sets their frame sizes to
// `frameBytes`. Returns the class's status when a copy fails. Passive level.
NTSTATUS MakePrivateFraming(PKSPIN pin, ULONG frameBytes);
