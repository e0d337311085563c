// Pacing on a manual clock, and the data-ready callback. Nothing here
// depends on how fast the machine is: time moves only when the test moves
// it, and waits for the camera's thread have generous bounds.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "camera_test.h"

namespace {

using namespace host::camera;
using namespace std::chrono_literals;

// Counts data-ready calls; waits for them.
class ReadyCounter {
  public:
    std::function<void()> callback() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++calls_;
            changed_.notify_all();
        };
    }
    bool waitFor(int calls) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return calls_ >= calls; });
    }
    int calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int calls_ = 0;
};

class FramePacingTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        SimulatedCameraOptions options;
        options.framesPerSecond = 25.0;  // a 40 ms period
        options.clock = clock_;
        makeCamera(options);
    }
    void TearDown() override {
        camera().setDataReadyCallback({});
        CameraTest::TearDown();
    }
    void takeFrame() {
        requestFrame();
        ASSERT_EQ(readWholeFrame().size(), kFrameBytes);
    }

    std::shared_ptr<ManualCameraClock> clock_ = std::make_shared<ManualCameraClock>();
    ReadyCounter ready_;
};

TEST_F(FramePacingTest, FirstFrameIsAvailableAtOnce) {
    takeFrame();
}

TEST_F(FramePacingTest, NextFrameWaitsOnePeriodAfterThePrevious) {
    takeFrame();
    clock_->advance(10ms);
    requestFrame();
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    clock_->advance(29ms);
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    clock_->advance(1ms);
    EXPECT_EQ(readWholeFrame().size(), kFrameBytes);
}

TEST_F(FramePacingTest, LateRequestIsServedAtOnce) {
    takeFrame();
    clock_->advance(100ms);
    takeFrame();
    // The period counts from when the last frame became available.
    clock_->advance(39ms);
    requestFrame();
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
}

TEST_F(FramePacingTest, AsFastAsPossibleNeverWaits) {
    camera().setPacing(FramePacing::kAsFastAsPossible);
    for (int i = 0; i < 3; ++i) {
        takeFrame();
    }
}

TEST_F(FramePacingTest, RateCanChange) {
    takeFrame();
    camera().setPacing(FramePacing::kRealTime, 100.0);
    clock_->advance(10ms);
    takeFrame();
    EXPECT_THROW(camera().setPacing(FramePacing::kRealTime, 0.0), std::invalid_argument);
}

TEST_F(FramePacingTest, CallbackWhenTheFrameTimeComes) {
    takeFrame();
    camera().setDataReadyCallback(ready_.callback());
    requestFrame();
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    clock_->advance(40ms);
    EXPECT_TRUE(ready_.waitFor(1));
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).acked());
}

TEST_F(FramePacingTest, CallbackWhenAReplyIsQueued) {
    camera().setDataReadyCallback(ready_.callback());
    send(commandPacket(0x26, {15}));
    EXPECT_TRUE(ready_.waitFor(1));
}

TEST_F(FramePacingTest, CallbackOnDisconnectAndStall) {
    camera().setDataReadyCallback(ready_.callback());
    camera().stallEndpoint(kFrameEndpoint);
    EXPECT_TRUE(ready_.waitFor(1));
    camera().disconnect();
    EXPECT_TRUE(ready_.waitFor(2));
}

TEST_F(FramePacingTest, NoCallAfterUnregistering) {
    camera().setDataReadyCallback(ready_.callback());
    camera().setDataReadyCallback({});
    send(commandPacket(0x26, {15}));
    camera().stallEndpoint(kFrameEndpoint);
    // Give the camera's thread a chance to misbehave; a pass does not
    // depend on the timing.
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ready_.calls(), 0);
}

class FramePacerTest : public LedgerTest {};

TEST_F(FramePacerTest, RealTimeAndFast) {
    FramePacer pacer(FramePacing::kRealTime, 30.0);
    const CameraTime start = 1s;
    EXPECT_EQ(pacer.nextFrameTime(start), start);
    EXPECT_EQ(pacer.nextFrameTime(start), start + pacer.period());
    EXPECT_EQ(pacer.period(), CameraTime(33333333));
    FramePacer fast(FramePacing::kAsFastAsPossible, 0.0);
    EXPECT_EQ(fast.nextFrameTime(start), start);
    EXPECT_EQ(fast.nextFrameTime(start), start);
}

}  // namespace
