// KeQueryInterruptTime, KeQuerySystemTime and timeout deadlines.
#include "kernel_time.h"

#include <climits>

namespace {

using Ticks = std::chrono::duration<long long, std::ratio<1, 10'000'000>>;  // 100 ns

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr long long kUnixEpochAsSystemTime = 116'444'736'000'000'000LL;
// Longer waits (about a year) count as forever: the steady clock's
// nanosecond time points would overflow on the kernel's largest values.
constexpr long long kForeverTicks = 315'360'000'000'000LL;

const std::chrono::steady_clock::time_point bootTime = std::chrono::steady_clock::now();

long long systemTimeNow() {
    const auto sinceUnixEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<Ticks>(sinceUnixEpoch).count() + kUnixEpochAsSystemTime;
}

}  // namespace

namespace host::detail {

Deadline deadlineFor(const LARGE_INTEGER* timeout) {
    if (timeout == nullptr) {
        return std::nullopt;
    }
    const auto now = std::chrono::steady_clock::now();
    const long long value = timeout->QuadPart;
    const long long ticks = value <= 0 ? -value : value - systemTimeNow();
    if (ticks > kForeverTicks || value == LLONG_MIN) {
        return std::nullopt;
    }
    return now + Ticks(ticks);
}

}  // namespace host::detail

extern "C" ULONGLONG NTAPI KeQueryInterruptTime(VOID) {
    const auto elapsed = std::chrono::steady_clock::now() - bootTime;
    return static_cast<ULONGLONG>(std::chrono::duration_cast<Ticks>(elapsed).count());
}

extern "C" VOID NTAPI KeQuerySystemTime(PLARGE_INTEGER CurrentTime) {
    CurrentTime->QuadPart = systemTimeNow();
}
