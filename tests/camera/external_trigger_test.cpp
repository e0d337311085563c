// The external trigger: while it is on, a requested frame waits for
// trigger(); while it is off, frames flow as they always do.
#include <camera/external_trigger.h>
#include <camera/frame_counter_code.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "camera_test.h"
#include "register_settings.h"

namespace {

using namespace host::camera;
using namespace std::chrono_literals;

class ExternalTriggerTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        makeCamera(fastOptions());
    }
    void turnTriggerOn() {
        send(setParameterPacket(kTriggerModeParameter, 1));
        ASSERT_TRUE(camera().externalTriggerOn());
    }
    std::vector<FrameRequestOutcome> outcomesSince(std::size_t mark) {
        std::vector<FrameRequestOutcome> outcomes;
        for (const auto& command : camera().receivedCommandsSince(mark)) {
            if (command.kind == CommandKind::kFrameRequest) {
                outcomes.push_back(command.frame);
            }
        }
        return outcomes;
    }
};

TEST_F(ExternalTriggerTest, OffByDefaultAndFramesFlow) {
    EXPECT_FALSE(camera().externalTriggerOn());
    requestFrame();
    EXPECT_EQ(readFrameCounter(readWholeFrame().data()), 0U);
}

TEST_F(ExternalTriggerTest, RegisterBitOverridesTheParameter) {
    sendAll(registerRunPackets(kTriggerControlRegister, {kFreeRunningBit}));
    send(setParameterPacket(kTriggerModeParameter, 1));
    EXPECT_FALSE(camera().externalTriggerOn());
    requestFrame();
    EXPECT_EQ(readWholeFrame().size(), kFrameBytes);
    send(setParameterPacket(kTriggerModeParameter, 2));
    sendAll(registerRunPackets(kTriggerControlRegister, {0}));
    EXPECT_FALSE(camera().externalTriggerOn()) << "only parameter value 1 means triggered";
}

TEST_F(ExternalTriggerTest, FrameWaitsForTheTrigger) {
    turnTriggerOn();
    const std::size_t mark = camera().receivedCommands().size();
    requestFrame();
    EXPECT_EQ(outcomesSince(mark), (std::vector{FrameRequestOutcome::kAwaitingTrigger,
                                                FrameRequestOutcome::kAwaitingTrigger}));
    EXPECT_EQ(camera().frameState(), FrameEndpoint::State::kAwaitingTrigger);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    }
    EXPECT_EQ(camera().framesStarted(), 0U);

    EXPECT_TRUE(camera().trigger());
    const auto frame = readWholeFrame();
    ASSERT_EQ(frame.size(), kFrameBytes);
    EXPECT_EQ(readFrameCounter(frame.data()), 0U);
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());

    requestFrame();  // the next one waits again
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    EXPECT_TRUE(camera().trigger());
    EXPECT_EQ(readFrameCounter(readWholeFrame().data()), 1U);
}

TEST_F(ExternalTriggerTest, EarlyTriggerIsLatchedForOneFrame) {
    turnTriggerOn();
    EXPECT_FALSE(camera().trigger());
    EXPECT_FALSE(camera().trigger());  // latches do not add up
    const std::size_t mark = camera().receivedCommands().size();
    requestFrame();
    EXPECT_EQ(outcomesSince(mark),
              (std::vector{FrameRequestOutcome::kStarted, FrameRequestOutcome::kAlreadyActive}));
    EXPECT_EQ(readWholeFrame().size(), kFrameBytes);
    requestFrame();
    EXPECT_EQ(camera().frameState(), FrameEndpoint::State::kAwaitingTrigger);
}

TEST_F(ExternalTriggerTest, TurningTheTriggerOffReleasesAHeldFrame) {
    turnTriggerOn();
    requestFrame();
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    sendAll(registerRunPackets(kTriggerControlRegister, {kFreeRunningBit}));
    EXPECT_EQ(readFrameCounter(readWholeFrame().data()), 0U);

    sendAll(registerRunPackets(kTriggerControlRegister, {0}));
    requestFrame();
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    camera().setParameterValue(kTriggerModeParameter, 0);
    EXPECT_EQ(readFrameCounter(readWholeFrame().data()), 1U);
}

TEST_F(ExternalTriggerTest, HeldFrameIsDroppedByAPipeReset) {
    turnTriggerOn();
    requestFrame();
    camera().clearHalt(kFrameEndpoint);
    EXPECT_EQ(camera().frameState(), FrameEndpoint::State::kIdle);
    EXPECT_FALSE(camera().trigger());  // nothing held: latched
    requestFrame();
    EXPECT_EQ(readFrameCounter(readWholeFrame().data()), 0U);
}

TEST_F(ExternalTriggerTest, WithheldFrameIsNotHeld) {
    turnTriggerOn();
    camera().withholdFrames(1);
    const std::size_t mark = camera().receivedCommands().size();
    requestFrame();
    EXPECT_EQ(outcomesSince(mark).front(), FrameRequestOutcome::kWithheld);
    EXPECT_EQ(camera().frameState(), FrameEndpoint::State::kIdle);
}

TEST_F(ExternalTriggerTest, TriggerFromAnotherThreadWakesTheReader) {
    std::mutex mutex;
    std::condition_variable ready;
    int readyCalls = 0;
    camera().setDataReadyCallback([&] {
        std::lock_guard lock(mutex);
        ++readyCalls;
        ready.notify_all();
    });
    turnTriggerOn();
    requestFrame();
    int before = 0;
    {
        std::lock_guard lock(mutex);
        before = readyCalls;
    }
    std::thread trigger([&] { EXPECT_TRUE(camera().trigger()); });
    trigger.join();
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(ready.wait_for(lock, 10s, [&] { return readyCalls > before; }));
    }
    EXPECT_EQ(readWholeFrame().size(), kFrameBytes);
    camera().setDataReadyCallback({});
}

}  // namespace
