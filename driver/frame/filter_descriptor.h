// The capture filter the "GLOBAL" factory makes: one video output pin, the
// categories video and capture, and the camera's property set on the
// filter. Constant data; the streaming class reads it.
#pragma once

#include "../platform/streaming.h"

extern const KSFILTER_DESCRIPTOR kCaptureFilterDescriptor;

// Filter dispatch. Passive level, on the opening or closing application's
// thread; the class serialises them per filter.
//   Create: gives the filter its FilterContext (owned by the filter's bag).
//   Close: saves the device's settings to the registry; always succeeds.
NTSTATUS NTAPI FilterCreate(PKSFILTER filter, PIRP irp);
NTSTATUS NTAPI FilterClose(PKSFILTER filter, PIRP irp);
