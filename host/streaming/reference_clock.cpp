// A pin's reference clock (reference_clock.h) and the driver's call that
// hands it out, KsPinGetReferenceClockInterface.
#include "reference_clock.h"

#include <string>

#include <kernel/host_kernel.h>

#include "pin_stream.h"

namespace host::streaming::detail {
namespace {

LONGLONG interruptTime() {
    return static_cast<LONGLONG>(KeQueryInterruptTime());
}

}  // namespace

PinClock::PinClock() : start_(interruptTime()) {}

PinClock* PinClock::create() {
    return new PinClock;
}

void PinClock::closeForPin() {
    const ULONG kept = references_.load() - 1;
    if (kept != 0) {
        host::reportViolation("the driver still holds " + std::to_string(kept) +
                              " reference(s) to its pin's reference clock when the pin closes");
    }
    Release();
}

NTSTATUS NTAPI PinClock::QueryInterface(REFIID /*InterfaceId*/, PVOID* Interface) {
    if (Interface != nullptr) {
        *Interface = nullptr;
    }
    return STATUS_NOT_IMPLEMENTED;
}

ULONG NTAPI PinClock::AddRef() {
    return references_.fetch_add(1) + 1;
}

ULONG NTAPI PinClock::Release() {
    ULONG count = references_.load();
    do {
        if (count == 0) {
            host::reportViolation("IKsReferenceClock::Release without a reference");
            return 0;
        }
    } while (!references_.compare_exchange_weak(count, count - 1));
    if (count == 1) {
        delete this;
    }
    return count - 1;
}

LONGLONG NTAPI PinClock::GetTime() {
    return interruptTime() - start_;
}

LONGLONG NTAPI PinClock::GetPhysicalTime() {
    return GetTime();
}

LONGLONG NTAPI PinClock::GetCorrelatedTime(LONGLONG* SystemTime) {
    const LONGLONG now = interruptTime();
    *SystemTime = now;
    return now - start_;
}

LONGLONG NTAPI PinClock::GetCorrelatedPhysicalTime(LONGLONG* SystemTime) {
    return GetCorrelatedTime(SystemTime);
}

NTSTATUS NTAPI PinClock::GetResolution(PKSRESOLUTION Resolution) {
    Resolution->Granularity = 1;
    Resolution->Error = 0;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI PinClock::GetState(PKSSTATE State) {
    *State = state_.load();
    return STATUS_SUCCESS;
}

}  // namespace host::streaming::detail

// PASSIVE_LEVEL. A pin without a clock (ClassFaults::withoutReferenceClock)
// answers STATUS_UNSUCCESSFUL with a null interface.
extern "C" NTSTATUS NTAPI KsPinGetReferenceClockInterface(PKSPIN Pin,
                                                          PIKSREFERENCECLOCK* Interface) {
    using namespace host::streaming::detail;
    if (Interface == nullptr) {
        host::reportViolation("KsPinGetReferenceClockInterface: null interface pointer");
        return STATUS_INVALID_PARAMETER;
    }
    *Interface = nullptr;
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation("KsPinGetReferenceClockInterface called above PASSIVE_LEVEL");
        return STATUS_UNSUCCESSFUL;
    }
    const std::shared_ptr<PinStream> stream = streamOf(Pin);
    if (stream == nullptr) {
        host::reportViolation("KsPinGetReferenceClockInterface: not a live pin");
        return STATUS_UNSUCCESSFUL;
    }
    PinClock* clock = stream->clock.load();
    if (clock == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    clock->AddRef();
    *Interface = clock;
    return STATUS_SUCCESS;
}
