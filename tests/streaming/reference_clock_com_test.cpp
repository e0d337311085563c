// The pin's reference clock as a driver built for Windows calls it: as a
// COM object, through the table of nine method pointers the object starts
// with (IUnknown's QueryInterface, AddRef, Release, then GetTime,
// GetPhysicalTime, GetCorrelatedTime, GetCorrelatedPhysicalTime,
// GetResolution, GetState), each taking the object as its first argument
// in the Windows x64 calling convention. The calls below are made exactly
// that way, never through the C++ declaration, so a table in another order,
// an extra slot (a virtual destructor) or a method in the host's own
// convention shows up here.
#include "pin_stream_test.h"

namespace {

using host::streaming::PinHandle;

// REFIID is a reference: a pointer to the GUID in the calling convention.
using QueryMethod = NTSTATUS(NTAPI*)(PVOID self, const GUID* interfaceId, PVOID* object);
using ReferenceMethod = ULONG(NTAPI*)(PVOID self);
using TimeMethod = LONGLONG(NTAPI*)(PVOID self);
using CorrelatedTimeMethod = LONGLONG(NTAPI*)(PVOID self, LONGLONG* systemTime);
using ResolutionMethod = NTSTATUS(NTAPI*)(PVOID self, PKSRESOLUTION resolution);
using StateMethod = NTSTATUS(NTAPI*)(PVOID self, PKSSTATE state);

enum Slot {
    kQueryInterface,
    kAddRef,
    kRelease,
    kGetTime,
    kGetPhysicalTime,
    kGetCorrelatedTime,
    kGetCorrelatedPhysicalTime,
    kGetResolution,
    kGetState,
};

// What a Windows driver's compiler emits for clock->Method(...): load the
// table from the object, the method from the table.
template <typename Method>
Method method(PVOID object, Slot slot) {
    PVOID const* table = *static_cast<PVOID const* const*>(object);
    return reinterpret_cast<Method>(table[slot]);
}

class ReferenceClockComTest : public PinStreamTest {
  protected:
    PVOID clockOf(const PinHandle& pin) {
        PIKSREFERENCECLOCK clock = nullptr;
        EXPECT_EQ(KsPinGetReferenceClockInterface(pin.pin(), &clock), STATUS_SUCCESS);
        return clock;
    }
};

TEST_F(ReferenceClockComTest, ReferencesThroughTheTable) {
    PinHandle pin = makePin();
    PVOID clock = clockOf(pin);
    ASSERT_NE(clock, nullptr);
    // The class's reference and the one handed out.
    EXPECT_EQ(method<ReferenceMethod>(clock, kAddRef)(clock), 3U);
    EXPECT_EQ(method<ReferenceMethod>(clock, kRelease)(clock), 2U);
    EXPECT_EQ(method<ReferenceMethod>(clock, kRelease)(clock), 1U);
    PVOID other = &pin;
    EXPECT_EQ(method<QueryMethod>(clock, kQueryInterface)(clock, &KSPROPSETID_Connection, &other),
              STATUS_NOT_IMPLEMENTED);
    EXPECT_EQ(other, nullptr);
}

TEST_F(ReferenceClockComTest, TimesThroughTheTable) {
    PinHandle pin = makePin();
    PVOID clock = clockOf(pin);
    ASSERT_NE(clock, nullptr);
    const LONGLONG time = method<TimeMethod>(clock, kGetTime)(clock);
    EXPECT_GE(time, 0);
    EXPECT_GE(method<TimeMethod>(clock, kGetPhysicalTime)(clock), time);
    LONGLONG system = 0;
    const LONGLONG correlated =
        method<CorrelatedTimeMethod>(clock, kGetCorrelatedTime)(clock, &system);
    EXPECT_GE(correlated, time);
    EXPECT_GE(system, correlated);  // since boot, the clock since the pin was made
    LONGLONG physicalSystem = 0;
    EXPECT_GE(
        method<CorrelatedTimeMethod>(clock, kGetCorrelatedPhysicalTime)(clock, &physicalSystem),
        correlated);
    EXPECT_GE(physicalSystem, system);
    method<ReferenceMethod>(clock, kRelease)(clock);
}

TEST_F(ReferenceClockComTest, ResolutionAndStateThroughTheTable) {
    PinHandle pin = pinIn(KSSTATE_PAUSE);
    PVOID clock = clockOf(pin);
    ASSERT_NE(clock, nullptr);
    KSRESOLUTION resolution{-1, -1};
    EXPECT_EQ(method<ResolutionMethod>(clock, kGetResolution)(clock, &resolution), STATUS_SUCCESS);
    EXPECT_EQ(resolution.Granularity, 1);
    EXPECT_EQ(resolution.Error, 0);
    KSSTATE state = KSSTATE_STOP;
    EXPECT_EQ(method<StateMethod>(clock, kGetState)(clock, &state), STATUS_SUCCESS);
    EXPECT_EQ(state, KSSTATE_PAUSE);
    method<ReferenceMethod>(clock, kRelease)(clock);
}

}  // namespace
