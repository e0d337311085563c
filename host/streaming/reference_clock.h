// A pin's reference clock: the IKsReferenceClock that
// KsPinGetReferenceClockInterface hands out, standing for the graph's
// master clock.
//
// Time: 100-ns units since the clock started (when the class made the pin),
// from the stand-in kernel's interrupt time, so monotonic. Physical time is
// the same count; the correlated calls also give the interrupt time (100
// ns) as the system time. Resolution: granularity 1 (100 ns), error 0.
// State: the pin's DeviceState, as the class last set it.
//
// References: the class holds one from creation until the pin closes; each
// handed-out interface holds one more. At close the class reports the
// driver's references still held (the object then lives until the last
// Release, so a late Release is harmless). QueryInterface knows no
// interface ids here: STATUS_NOT_IMPLEMENTED.
//
// Any thread, any IRQL; lock-free.
// Internal to host/streaming.
#pragma once

#include <atomic>

#include "ks_api.h"

namespace host::streaming::detail {

class PinClock final : public IKsReferenceClock {
  public:
    // With the class's reference.
    static PinClock* create();
    // The class's reference goes; reports references the driver kept.
    void closeForPin();
    void noteState(KSSTATE state) { state_.store(state); }
    ULONG references() const { return references_.load(); }

    NTSTATUS NTAPI QueryInterface(REFIID InterfaceId, PVOID* Interface) override;
    ULONG NTAPI AddRef() override;
    ULONG NTAPI Release() override;
    LONGLONG NTAPI GetTime() override;
    LONGLONG NTAPI GetPhysicalTime() override;
    LONGLONG NTAPI GetCorrelatedTime(LONGLONG* SystemTime) override;
    LONGLONG NTAPI GetCorrelatedPhysicalTime(LONGLONG* SystemTime) override;
    NTSTATUS NTAPI GetResolution(PKSRESOLUTION Resolution) override;
    NTSTATUS NTAPI GetState(PKSSTATE State) override;

  private:
    PinClock();
    ~PinClock() = default;

    const LONGLONG start_;
    std::atomic<ULONG> references_{1};
    std::atomic<KSSTATE> state_{KSSTATE_STOP};
};

}  // namespace host::streaming::detail
