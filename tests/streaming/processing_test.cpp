// The pin's Process dispatch as the class runs it: frames filled in order,
// on the processing thread at PASSIVE_LEVEL, one call at a time, attempts
// coalescing, the run-state-only gate, and state changes and closing
// waiting for a running Process.
#include <atomic>
#include <cstring>
#include <thread>

#include "pin_stream_test.h"

namespace {

using host::streaming::CapturedFrame;
using host::streaming::PinHandle;
using namespace std::chrono_literals;

class ProcessingTest : public PinStreamTest {
  protected:
    static ULONG counterOf(const CapturedFrame& frame) {
        ULONG counter = 0;
        std::memcpy(&counter, frame.data.data(), sizeof counter);
        return counter;
    }

    // Collects `count` frames, expecting them filled with counters from
    // `first` on, in order.
    void expectFilled(const PinHandle& pin, int count, ULONG first = 0) {
        for (int i = 0; i < count; ++i) {
            CapturedFrame frame{};
            ASSERT_TRUE(pin.waitForFrame(&frame, kPatience)) << "frame " << i;
            EXPECT_EQ(frame.status, STATUS_SUCCESS);
            ASSERT_EQ(frame.dataUsed, kFrameBytes);
            EXPECT_EQ(counterOf(frame), first + static_cast<ULONG>(i));
            EXPECT_EQ(frame.presentationTime, 1000 * static_cast<LONGLONG>(first + i));
        }
    }
};

TEST_F(ProcessingTest, FramesFlowInOrderOnTheProcessingThread) {
    PinHandle pin = pinIn(KSSTATE_RUN);
    submit(pin, 20);
    expectFilled(pin, 20);
    EXPECT_EQ(pin.pendingFrames(), 0U);
    const toy::ProcessRecord record = toy::processRecord();
    EXPECT_EQ(record.filled, 20U);
    EXPECT_EQ(record.mostAtOnce, 1U);
    EXPECT_TRUE(record.allAtPassive);
    for (std::thread::id thread : record.threads) {
        EXPECT_NE(thread, std::this_thread::get_id());
    }
}

TEST_F(ProcessingTest, ConcurrentAttemptsNeverOverlapNorRunOnTheCaller) {
    PinHandle pin = pinIn(KSSTATE_RUN);
    std::atomic<bool> stop{false};
    std::vector<std::thread> callers;
    std::vector<std::thread::id> callerIds(3);
    for (int i = 0; i < 3; ++i) {
        callers.emplace_back([&, i] {
            callerIds[static_cast<std::size_t>(i)] = std::this_thread::get_id();
            while (!stop.load()) {
                KsPinAttemptProcessing(pin.pin(), TRUE);
                std::this_thread::yield();
            }
        });
    }
    for (int i = 0; i < 50; ++i) {
        submit(pin, 1);
    }
    expectFilled(pin, 50);
    stop.store(true);
    for (std::thread& caller : callers) {
        caller.join();
    }
    const toy::ProcessRecord record = toy::processRecord();
    EXPECT_EQ(record.mostAtOnce, 1U);
    for (std::thread::id thread : record.threads) {
        for (std::thread::id caller : callerIds) {
            EXPECT_NE(thread, caller);
        }
        EXPECT_NE(thread, std::this_thread::get_id());
    }
}

TEST_F(ProcessingTest, AttemptsWhileProcessRunsCoalesceIntoOneMoreCall) {
    toy::setProcess({toy::ProcessMode::kPending, 0, 0, true});
    PinHandle pin = pinIn(KSSTATE_RUN);
    submit(pin, 1);  // arrival in an empty queue: the first call
    ASSERT_TRUE(toy::waitForProcessCalls(1, kPatience));
    for (int i = 0; i < 10; ++i) {
        KsPinAttemptProcessing(pin.pin(), TRUE);
    }
    toy::releaseProcess();
    ASSERT_TRUE(toy::waitForProcessCalls(2, kPatience));
    // Stopping waits for a running Process, so the count is final after it.
    EXPECT_EQ(pin.setState(KSSTATE_PAUSE), STATUS_SUCCESS);
    EXPECT_EQ(toy::processRecord().calls, 2U);
}

TEST_F(ProcessingTest, PendingWaitsForTheNextAttempt) {
    toy::setProcess({toy::ProcessMode::kPending, 0, 0, false});
    PinHandle pin = pinIn(KSSTATE_RUN);
    submit(pin, 1);
    ASSERT_TRUE(toy::waitForProcessCalls(1, kPatience));
    submit(pin, 1);  // not into an empty queue: no attempt
    toy::setProcess({toy::ProcessMode::kFill, 0, 0, false});
    KsPinAttemptProcessing(pin.pin(), TRUE);
    expectFilled(pin, 2);
}

TEST_F(ProcessingTest, ASynchronousAttemptRunsOnTheCallerWhenIdle) {
    PinHandle pin = pinIn(KSSTATE_RUN, KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING);
    submit(pin, 1);
    EXPECT_EQ(toy::processRecord().calls, 0U);
    KsPinAttemptProcessing(pin.pin(), FALSE);
    const toy::ProcessRecord record = toy::processRecord();
    ASSERT_EQ(record.calls, 1U);
    EXPECT_EQ(record.threads[0], std::this_thread::get_id());
    expectFilled(pin, 1);
}

TEST_F(ProcessingTest, AnAsynchronousAttemptNeverRunsOnTheCaller) {
    PinHandle pin = pinIn(KSSTATE_RUN, KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING);
    submit(pin, 1);
    KsPinAttemptProcessing(pin.pin(), TRUE);
    expectFilled(pin, 1);
    EXPECT_NE(toy::processRecord().threads.at(0), std::this_thread::get_id());
}

TEST_F(ProcessingTest, PausedPinsProcessUnlessRunStateOnly) {
    PinHandle pin = pinIn(KSSTATE_PAUSE);
    submit(pin, 2);
    expectFilled(pin, 2);
}

TEST_F(ProcessingTest, RunStateOnlyHoldsFramesUntilRun) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, KSPIN_FLAG_PROCESS_IN_RUN_STATE_ONLY);
    submit(pin, 3);
    KsPinAttemptProcessing(pin.pin(), TRUE);
    KsPinAttemptProcessing(pin.pin(), FALSE);
    CapturedFrame frame{};
    EXPECT_FALSE(pin.waitForFrame(&frame, 50ms));
    EXPECT_EQ(toy::processRecord().calls, 0U);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    expectFilled(pin, 3);
    EXPECT_EQ(pin.setState(KSSTATE_PAUSE), STATUS_SUCCESS);
    for (KSSTATE state : toy::processRecord().states) {
        EXPECT_EQ(state, KSSTATE_RUN);
    }
}

TEST_F(ProcessingTest, StoppingWaitsForARunningProcess) {
    toy::setProcess({toy::ProcessMode::kFill, 0, 0, true});
    // Run state only: once the pin leaves Run the second buffer stays put.
    PinHandle pin = pinIn(KSSTATE_RUN, KSPIN_FLAG_PROCESS_IN_RUN_STATE_ONLY);
    submit(pin, 2);
    ASSERT_TRUE(toy::waitForProcessCalls(1, kPatience));
    std::atomic<bool> stopped{false};
    std::thread stopper([&] {
        EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
        stopped.store(true);
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(stopped.load());
    toy::releaseProcess();
    stopper.join();
    const std::vector<std::string> events = toy::events();
    const std::vector<std::string> tail = {"Process.begin", "Process.end", "Pin.State(3>2)",
                                           "Pin.State(2>1)", "Pin.State(1>0)"};
    ASSERT_GE(events.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(events.end() - 5, events.end()), tail);
    CapturedFrame first{};
    CapturedFrame second{};
    ASSERT_TRUE(pin.waitForFrame(&first, 0ms));
    ASSERT_TRUE(pin.waitForFrame(&second, 0ms));
    EXPECT_EQ(first.status, STATUS_SUCCESS);
    EXPECT_EQ(second.status, STATUS_CANCELLED);
}

TEST_F(ProcessingTest, NoProcessRunsAfterClose) {
    PinHandle pin = pinIn(KSSTATE_RUN);
    submit(pin, 3);
    PKSPIN closed = pin.pin();
    pin.close();
    const unsigned calls = toy::processRecord().calls;
    host::ScopedViolationRecorder recorder;
    KsPinAttemptProcessing(closed, TRUE);
    EXPECT_TRUE(recorder.contains("not a live pin"));
    EXPECT_EQ(toy::processRecord().calls, calls);
    EXPECT_EQ(host::systemThreadsRunning(), 0U);
}

TEST_F(ProcessingTest, RemovingTheDeviceWhileStreamingCleansUp) {
    PinHandle pin = pinIn(KSSTATE_RUN);
    submit(pin, 10);
    host::streaming::removeDevice(device_);
    int collected = 0;
    CapturedFrame frame{};
    while (pin.waitForFrame(&frame, 0ms)) {
        ++collected;
    }
    EXPECT_EQ(collected, 10);
    EXPECT_EQ(host::systemThreadsRunning(), 0U);
}

TEST_F(ProcessingTest, ProcessLeavingAPointerLockedIsReported) {
    toy::setProcess({toy::ProcessMode::kLeaveLocked, 0, 0, false});
    PinHandle pin = pinIn(KSSTATE_RUN, KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING);
    submit(pin, 1);
    host::ScopedViolationRecorder recorder;
    KsPinAttemptProcessing(pin.pin(), FALSE);
    EXPECT_TRUE(recorder.contains("returned with a stream pointer locked"));
    EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_EQ(recorder.count(), 1U);  // the class unlocked it: no report at Stop
}

TEST_F(ProcessingTest, ProcessOverrunningABufferIsReported) {
    toy::setProcess({toy::ProcessMode::kFill, 0, 3, false});
    PinHandle pin = pinIn(KSSTATE_RUN, KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING);
    submit(pin, 1);
    host::ScopedViolationRecorder recorder;
    KsPinAttemptProcessing(pin.pin(), FALSE);
    EXPECT_TRUE(recorder.contains("(3 guard bytes changed)"));
}

TEST_F(ProcessingTest, HeadersCarryFrameInformationWhenThePinAsksForIt) {
    toy::behaviour().streamHeaderSize = sizeof(KSSTREAM_HEADER) + sizeof(KS_FRAME_INFO);
    toy::ProcessSettings settings;
    settings.writesFrameInfo = true;
    toy::setProcess(settings);
    PinHandle pin = pinIn(KSSTATE_RUN, KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING);
    submit(pin, 2);
    KsPinAttemptProcessing(pin.pin(), FALSE);
    KsPinAttemptProcessing(pin.pin(), FALSE);
    for (LONGLONG picture = 0; picture < 2; ++picture) {
        CapturedFrame frame{};
        ASSERT_TRUE(pin.waitForFrame(&frame, 5s));
        ASSERT_TRUE(frame.frameInfo.has_value());
        EXPECT_EQ(frame.frameInfo->ExtendedHeaderSize, sizeof(KS_FRAME_INFO));
        EXPECT_EQ(frame.frameInfo->PictureNumber, picture);
    }
}

// A pin that kept the default size gets bare KSSTREAM_HEADERs: frame
// information written after one lands past the header's Size.
TEST_F(ProcessingTest, WritingPastABareStreamHeaderIsReported) {
    toy::ProcessSettings settings;
    settings.writesFrameInfo = true;
    toy::setProcess(settings);
    PinHandle pin = pinIn(KSSTATE_RUN, KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING);
    submit(pin, 1);
    host::ScopedViolationRecorder recorder;
    KsPinAttemptProcessing(pin.pin(), FALSE);
    EXPECT_TRUE(recorder.contains("past its stream header's Size"));
    CapturedFrame frame{};
    ASSERT_TRUE(pin.waitForFrame(&frame, 5s));
    EXPECT_FALSE(frame.frameInfo.has_value());
}

TEST_F(ProcessingTest, StateChangesStepThroughEachStateAndBack) {
    PinHandle pin = pinIn(KSSTATE_RUN);
    EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    const std::vector<std::string> expected = {
        "Pin.State(0>1)", "Pin.State(1>2)", "Pin.State(2>3)",
        "Pin.State(3>2)", "Pin.State(2>1)", "Pin.State(1>0)",
    };
    EXPECT_EQ(toy::events(), expected);
}

TEST_F(ProcessingTest, APinWithoutSetDeviceStateJustChangesState) {
    toy::setPinWithoutSetDeviceState(true);
    PinHandle pin = pinIn(KSSTATE_RUN);
    EXPECT_EQ(pin.pin()->DeviceState, KSSTATE_RUN);
    submit(pin, 2);
    expectFilled(pin, 2);
    EXPECT_TRUE(toy::events().size() >= 2U);
    EXPECT_EQ(toy::events()[0], "Process.begin");
}

TEST_F(ProcessingTest, ARefusedStepStopsTheClimbAndProcessingFollowsTheState) {
    toy::behaviour().refuseState = KSSTATE_RUN;
    PinHandle pin = makePin(KSPIN_FLAG_PROCESS_IN_RUN_STATE_ONLY);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(pin.pin()->DeviceState, KSSTATE_PAUSE);
    submit(pin, 1);
    CapturedFrame frame{};
    EXPECT_FALSE(pin.waitForFrame(&frame, 30ms));
    EXPECT_EQ(toy::processRecord().calls, 0U);
}

}  // namespace
