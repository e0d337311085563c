// The process-wide frame time-out: how long a frame read waits for the
// camera, in milliseconds, shared by every device. 3000 at load. Written by
// the settings store, read by the frame reader at each wait; interlocked,
// any IRQL.
#pragma once

#include "../platform/kernel.h"

constexpr ULONG kDefaultFrameTimeoutMs = 3000;

ULONG GetFrameTimeoutMs();
void SetFrameTimeoutMs(ULONG milliseconds);

// A relative kernel wait interval (negative, 100 ns units) for a time-out
// in milliseconds; exact for every 32-bit value.
LARGE_INTEGER RelativeTimeoutFromMs(ULONG milliseconds);
