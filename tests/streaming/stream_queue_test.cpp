// A pin's frame queue seen from the driver's side: the test thread plays
// the driver (the pin never initiates processing) and works the leading
// edge directly, while the application side submits and collects buffers.
#include <cstring>
#include <thread>

#include "pin_stream_test.h"

namespace {

using host::streaming::CapturedFrame;
using host::streaming::PinHandle;
using namespace std::chrono_literals;

constexpr ULONG kNoProcessing = KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING;

class StreamQueueTest : public PinStreamTest {
  protected:
    PKSSTREAM_POINTER lockedEdge(const PinHandle& pin) {
        return KsPinGetLeadingEdgeStreamPointer(pin.pin(), KSSTREAM_POINTER_STATE_LOCKED);
    }
};

TEST_F(StreamQueueTest, AnEmptyQueueHasNoLeadingEdge) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    EXPECT_EQ(lockedEdge(pin), nullptr);
    EXPECT_EQ(pin.pendingFrames(), 0U);
}

TEST_F(StreamQueueTest, AStoppedPinRefusesBuffers) {
    PinHandle pin = makePin(kNoProcessing);
    EXPECT_EQ(pin.submitFrame(kFrameBytes), STATUS_INVALID_DEVICE_STATE);
    EXPECT_EQ(pin.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    EXPECT_EQ(pin.submitFrame(0), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(pin.submitFrame(kFrameBytes), STATUS_SUCCESS);
}

TEST_F(StreamQueueTest, TheLeadingEdgeDescribesTheOldestBuffer) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    EXPECT_EQ(pin.submitFrame(100), STATUS_SUCCESS);
    EXPECT_EQ(pin.submitFrame(200), STATUS_SUCCESS);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    EXPECT_EQ(edge->Pin, pin.pin());
    const KSSTREAM_HEADER& header = *edge->StreamHeader;
    EXPECT_EQ(header.Size, sizeof(KSSTREAM_HEADER));
    EXPECT_EQ(header.FrameExtent, 100U);
    EXPECT_EQ(header.DataUsed, 0U);
    EXPECT_EQ(header.OptionsFlags, 0U);
    EXPECT_EQ(header.PresentationTime.Denominator, 1U);
    EXPECT_EQ(edge->Offset, &edge->OffsetOut);
    EXPECT_EQ(edge->Offset->Data, header.Data);
    EXPECT_EQ(edge->Offset->Count, 100U);
    EXPECT_EQ(edge->Offset->Remaining, 100U);
    KsStreamPointerUnlock(edge, FALSE);
}

TEST_F(StreamQueueTest, EjectingCompletesTheBufferWithWhatTheDriverWrote) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    EXPECT_EQ(pin.submitFrame(64), STATUS_SUCCESS);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    std::memset(edge->Offset->Data, 0x42, 10);
    edge->StreamHeader->DataUsed = 10;
    edge->StreamHeader->PresentationTime.Time = 1234;
    edge->StreamHeader->Duration = 333;
    edge->StreamHeader->OptionsFlags = KSSTREAM_HEADER_OPTIONSF_TIMEVALID;
    KsStreamPointerUnlock(edge, TRUE);

    CapturedFrame frame{};
    ASSERT_TRUE(pin.waitForFrame(&frame, 0ms));
    EXPECT_EQ(frame.status, STATUS_SUCCESS);
    EXPECT_EQ(frame.frameExtent, 64U);
    EXPECT_EQ(frame.dataUsed, 10U);
    EXPECT_EQ(frame.data, std::vector<std::uint8_t>(10, 0x42));
    EXPECT_EQ(frame.presentationTime, 1234);
    EXPECT_EQ(frame.duration, 333);
    EXPECT_EQ(frame.optionsFlags, static_cast<ULONG>(KSSTREAM_HEADER_OPTIONSF_TIMEVALID));
    EXPECT_EQ(pin.pendingFrames(), 0U);
    EXPECT_EQ(lockedEdge(pin), nullptr);
}

TEST_F(StreamQueueTest, UnlockingWithoutEjectKeepsTheBufferAtTheLeadingEdge) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    submit(pin, 2);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    PVOID data = edge->StreamHeader->Data;
    edge->StreamHeader->DataUsed = 3;
    KsStreamPointerUnlock(edge, FALSE);
    CapturedFrame frame{};
    EXPECT_FALSE(pin.waitForFrame(&frame, 0ms));
    EXPECT_EQ(pin.pendingFrames(), 2U);

    PKSSTREAM_POINTER again = lockedEdge(pin);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->StreamHeader->Data, data);
    EXPECT_EQ(again->StreamHeader->DataUsed, 3U);
    KsStreamPointerUnlock(again, TRUE);
    ASSERT_TRUE(pin.waitForFrame(&frame, 0ms));
    EXPECT_EQ(frame.dataUsed, 3U);
    EXPECT_EQ(pin.pendingFrames(), 1U);
}

TEST_F(StreamQueueTest, AdvanceCompletesAndMovesOn) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    EXPECT_EQ(pin.submitFrame(10), STATUS_SUCCESS);
    EXPECT_EQ(pin.submitFrame(20), STATUS_SUCCESS);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    EXPECT_EQ(KsStreamPointerAdvance(edge), STATUS_SUCCESS);
    EXPECT_EQ(edge->StreamHeader->FrameExtent, 20U);
    EXPECT_EQ(KsStreamPointerAdvance(edge), STATUS_DEVICE_NOT_READY);
    CapturedFrame first{};
    CapturedFrame second{};
    ASSERT_TRUE(pin.waitForFrame(&first, 0ms));
    ASSERT_TRUE(pin.waitForFrame(&second, 0ms));
    EXPECT_EQ(first.frameExtent, 10U);
    EXPECT_EQ(second.frameExtent, 20U);
}

TEST_F(StreamQueueTest, UsingAPointerAfterEjectingItIsReported) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    submit(pin, 2);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    KsStreamPointerUnlock(edge, TRUE);
    host::ScopedViolationRecorder recorder;
    KsStreamPointerUnlock(edge, TRUE);
    EXPECT_EQ(KsStreamPointerLock(edge), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(recorder.count(), 2U);
    EXPECT_TRUE(recorder.contains("ejected"));
    EXPECT_EQ(pin.pendingFrames(), 2U);  // one completed, one still queued
}

TEST_F(StreamQueueTest, UnlockingTwiceIsReported) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    submit(pin, 1);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    KsStreamPointerUnlock(edge, FALSE);
    host::ScopedViolationRecorder recorder;
    KsStreamPointerUnlock(edge, TRUE);
    EXPECT_TRUE(recorder.contains("not locked"));
    EXPECT_EQ(pin.pendingFrames(), 1U);
}

TEST_F(StreamQueueTest, WritingThroughAnEjectedPointerIsReportedWhenThePinCloses) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    submit(pin, 1);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    KsStreamPointerUnlock(edge, TRUE);
    edge->StreamHeader->DataUsed = 5;
    host::ScopedViolationRecorder recorder;
    pin.close();
    EXPECT_TRUE(recorder.contains("after ejecting"));
}

TEST_F(StreamQueueTest, DataUsedBeyondTheExtentIsReported) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    EXPECT_EQ(pin.submitFrame(16), STATUS_SUCCESS);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    edge->StreamHeader->DataUsed = 17;
    host::ScopedViolationRecorder recorder;
    KsStreamPointerUnlock(edge, TRUE);
    EXPECT_TRUE(recorder.contains("DataUsed 17 above"));
    CapturedFrame frame{};
    ASSERT_TRUE(pin.waitForFrame(&frame, 0ms));
    EXPECT_EQ(frame.dataUsed, 16U);
}

TEST_F(StreamQueueTest, WritingPastTheExtentIsReported) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    EXPECT_EQ(pin.submitFrame(16), STATUS_SUCCESS);
    PKSSTREAM_POINTER edge = lockedEdge(pin);
    ASSERT_NE(edge, nullptr);
    static_cast<PUCHAR>(edge->StreamHeader->Data)[16] = 0;
    edge->StreamHeader->DataUsed = 16;
    host::ScopedViolationRecorder recorder;
    KsStreamPointerUnlock(edge, TRUE);
    EXPECT_TRUE(recorder.contains("past a frame buffer's FrameExtent (1 guard"));
}

TEST_F(StreamQueueTest, StoppingCancelsWhatIsQueuedInOrder) {
    PinHandle pin = pinIn(KSSTATE_RUN, kNoProcessing);
    for (ULONG extent : {10U, 20U, 30U}) {
        EXPECT_EQ(pin.submitFrame(extent), STATUS_SUCCESS);
    }
    EXPECT_EQ(pin.setState(KSSTATE_PAUSE), STATUS_SUCCESS);
    EXPECT_EQ(pin.pendingFrames(), 3U);
    EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    for (ULONG extent : {10U, 20U, 30U}) {
        CapturedFrame frame{};
        ASSERT_TRUE(pin.waitForFrame(&frame, 0ms));
        EXPECT_EQ(frame.status, STATUS_CANCELLED);
        EXPECT_EQ(frame.frameExtent, extent);
        EXPECT_EQ(frame.dataUsed, 0U);
        EXPECT_TRUE(frame.data.empty());
    }
    EXPECT_EQ(pin.pendingFrames(), 0U);
}

TEST_F(StreamQueueTest, ClosingCancelsForAWaiterOnAnotherThread) {
    PinHandle pin = pinIn(KSSTATE_RUN, kNoProcessing);
    submit(pin, 2);
    CapturedFrame first{};
    CapturedFrame second{};
    bool gotFirst = false;
    bool gotSecond = false;
    std::thread waiter([&] {
        gotFirst = pin.waitForFrame(&first, kPatience);
        gotSecond = pin.waitForFrame(&second, kPatience);
    });
    std::this_thread::sleep_for(20ms);
    // Closed by the device going away rather than through the handle the
    // waiter uses.
    host::streaming::removeDevice(device_);
    waiter.join();
    EXPECT_TRUE(gotFirst);
    EXPECT_TRUE(gotSecond);
    EXPECT_EQ(first.status, STATUS_CANCELLED);
    EXPECT_EQ(second.status, STATUS_CANCELLED);
    EXPECT_EQ(pin.submitFrame(kFrameBytes), STATUS_INVALID_HANDLE);
    EXPECT_EQ(pin.pendingFrames(), 0U);
}

TEST_F(StreamQueueTest, APointerStillLockedAtStopIsReported) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    submit(pin, 1);
    ASSERT_NE(lockedEdge(pin), nullptr);
    host::ScopedViolationRecorder recorder;
    EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_TRUE(recorder.contains("still locked when its pin stops"));
    CapturedFrame frame{};
    ASSERT_TRUE(pin.waitForFrame(&frame, 0ms));
    EXPECT_EQ(frame.status, STATUS_CANCELLED);
}

TEST_F(StreamQueueTest, UnknownPointersAndDeleteAreReported) {
    PinHandle pin = pinIn(KSSTATE_PAUSE, kNoProcessing);
    submit(pin, 1);
    KSSTREAM_POINTER forged{};
    host::ScopedViolationRecorder recorder;
    KsStreamPointerUnlock(&forged, TRUE);
    KsStreamPointerDelete(lockedEdge(pin));
    EXPECT_TRUE(recorder.contains("not a stream pointer the class handed out"));
    EXPECT_TRUE(recorder.contains("not a clone"));
    KsStreamPointerUnlock(lockedEdge(pin), FALSE);
}

}  // namespace
