#include "frame_timeout.h"

#include "../platform/interlocked.h"

namespace {

volatile LONG g_frameTimeoutMs = static_cast<LONG>(kDefaultFrameTimeoutMs);

}  // namespace

ULONG GetFrameTimeoutMs() {
    return static_cast<ULONG>(AtomicRead(&g_frameTimeoutMs));
}

void SetFrameTimeoutMs(ULONG milliseconds) {
    AtomicWrite(&g_frameTimeoutMs, static_cast<LONG>(milliseconds));
}

LARGE_INTEGER RelativeTimeoutFromMs(ULONG milliseconds) {
    // 0xFFFFFFFF ms is about 4.3e13 units: far inside 64 bits.
    LARGE_INTEGER interval;
    interval.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;
    return interval;
}
