// The pin's reference clock: time in 100-ns units that only goes forward,
// counted references with a kept one reported at close, its state following
// the pin's, and the switch that gives pins no clock.
#include <thread>

#include "pin_stream_test.h"

namespace {

using host::streaming::PinHandle;
using namespace std::chrono_literals;

class ReferenceClockTest : public PinStreamTest {
  protected:
    PIKSREFERENCECLOCK clockOf(const PinHandle& pin) {
        PIKSREFERENCECLOCK clock = nullptr;
        EXPECT_EQ(KsPinGetReferenceClockInterface(pin.pin(), &clock), STATUS_SUCCESS);
        return clock;
    }
};

TEST_F(ReferenceClockTest, TimeGoesForwardIn100NanosecondUnits) {
    PinHandle pin = makePin();
    PIKSREFERENCECLOCK clock = clockOf(pin);
    ASSERT_NE(clock, nullptr);
    const LONGLONG first = clock->GetTime();
    EXPECT_GE(first, 0);
    LONGLONG last = first;
    for (int i = 0; i < 1000; ++i) {
        const LONGLONG now = clock->GetTime();
        EXPECT_GE(now, last);
        last = now;
    }
    std::this_thread::sleep_for(20ms);
    const LONGLONG later = clock->GetTime();
    EXPECT_GE(later - first, 200'000);     // at least 20 ms
    EXPECT_LT(later - first, 50'000'000);  // well under 5 s
    LONGLONG system = 0;
    EXPECT_GE(clock->GetCorrelatedTime(&system), later);
    EXPECT_GT(system, 0);
    KSRESOLUTION resolution{};
    EXPECT_EQ(clock->GetResolution(&resolution), STATUS_SUCCESS);
    EXPECT_EQ(resolution.Granularity, 1);
    clock->Release();
}

TEST_F(ReferenceClockTest, ReferencesAreCounted) {
    PinHandle pin = makePin();
    PIKSREFERENCECLOCK first = clockOf(pin);
    PIKSREFERENCECLOCK second = clockOf(pin);
    ASSERT_EQ(first, second);
    EXPECT_EQ(first->AddRef(), 4U);  // the class's, two handed out, this one
    EXPECT_EQ(first->Release(), 3U);
    EXPECT_EQ(first->Release(), 2U);
    EXPECT_EQ(second->Release(), 1U);
    PVOID other = &pin;
    EXPECT_EQ(first->QueryInterface(KSPROPSETID_Connection, &other), STATUS_NOT_IMPLEMENTED);
    EXPECT_EQ(other, nullptr);
}

TEST_F(ReferenceClockTest, AReferenceKeptPastCloseIsReported) {
    PinHandle pin = makePin();
    PIKSREFERENCECLOCK clock = clockOf(pin);
    {
        host::ScopedViolationRecorder recorder;
        pin.close();
        EXPECT_TRUE(recorder.contains("still holds 1 reference"));
    }
    EXPECT_EQ(clock->Release(), 0U);  // the late release frees it
}

TEST_F(ReferenceClockTest, TheClockStateFollowsThePin) {
    PinHandle pin = makePin();
    PIKSREFERENCECLOCK clock = clockOf(pin);
    KSSTATE state = KSSTATE_RUN;
    EXPECT_EQ(clock->GetState(&state), STATUS_SUCCESS);
    EXPECT_EQ(state, KSSTATE_STOP);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(clock->GetState(&state), STATUS_SUCCESS);
    EXPECT_EQ(state, KSSTATE_RUN);
    clock->Release();
}

TEST_F(ReferenceClockTest, PinsCanBeMadeWithoutAClock) {
    host::streaming::faults().withoutReferenceClock(true);
    PinHandle pin = makePin();
    PIKSREFERENCECLOCK clock = reinterpret_cast<PIKSREFERENCECLOCK>(&pin);
    EXPECT_EQ(KsPinGetReferenceClockInterface(pin.pin(), &clock), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(clock, nullptr);
    host::streaming::faults().withoutReferenceClock(false);
    PinHandle clocked = std::move(pin);
    clocked.close();
    PinHandle next = makePin();
    clock = clockOf(next);
    EXPECT_NE(clock, nullptr);
    clock->Release();
}

}  // namespace
