// Live video through the class as a capture application sees it: frames,
// their timing and content, regions, the stream's states, the one stream
// per device, and failures of the camera and the platform.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include <camera/camera_clock.h>
#include <camera/camera_firmware.h>
#include <kernel/host_kernel.h>

#include "blackbox_harness.h"

namespace {

using host::camera::CommandKind;
using Clock = std::chrono::steady_clock;

class StreamingTest : public StreamBlackBoxTest {
  protected:
    // Frames the capture preparation announced to the camera (parameter 0
    // is the first byte of the raw frame size): one per capture start.
    std::size_t capturePreparations() const {
        std::size_t count = 0;
        for (const auto& command :
             simulatedCamera->receivedCommandsOfKind(CommandKind::kSetParameter)) {
            count += command.parameter == 0 ? 1 : 0;
        }
        return count;
    }
};

// A camera whose frames come only as the test advances its clock.
class FrameNumberingTest : public StreamBlackBoxTest {
  protected:
    host::camera::SimulatedCameraOptions cameraOptions() const override {
        host::camera::SimulatedCameraOptions options = StreamBlackBoxTest::cameraOptions();
        options.pacing = host::camera::FramePacing::kRealTime;
        options.framesPerSecond = 30.0;
        options.clock = clock;
        return options;
    }

    // Captures single frames until one carries another picture number than
    // `picture` (at most 50 tries); that frame's information.
    KS_FRAME_INFO nextPicture(host::streaming::PinHandle& pin, LONGLONG picture) {
        KS_FRAME_INFO info{};
        for (int attempt = 0; attempt < 50; ++attempt) {
            const auto frames = capture(pin, 1);
            if (frames.size() != 1 || !frames[0].frameInfo.has_value()) {
                ADD_FAILURE() << "no frame with frame information";
                return info;
            }
            info = *frames[0].frameInfo;
            if (info.PictureNumber != picture) {
                return info;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return info;
    }

    std::shared_ptr<host::camera::ManualCameraClock> clock =
        std::make_shared<host::camera::ManualCameraClock>();
};

TEST_F(FrameNumberingTest, HeadersNumberThePicturesAndARepeatKeepsItsNumber) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const auto first = capture(pin, 1);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_TRUE(first[0].frameInfo.has_value()) << "the pin's headers carry KS_FRAME_INFO";
    const KS_FRAME_INFO info = *first[0].frameInfo;
    EXPECT_EQ(info.ExtendedHeaderSize, sizeof(KS_FRAME_INFO));
    EXPECT_EQ(info.dwFrameFlags, ULONG{KS_VIDEO_FLAG_FRAME | KS_VIDEO_FLAG_I_FRAME});
    EXPECT_EQ(info.PictureNumber, 1);
    EXPECT_EQ(info.DropCount, 0);
    // No new frame from the camera: the same image again, under its number.
    const auto repeat = capture(pin, 1);
    ASSERT_EQ(repeat.size(), 1u);
    ASSERT_TRUE(repeat[0].frameInfo.has_value());
    EXPECT_EQ(repeat[0].frameInfo->PictureNumber, 1);
    EXPECT_EQ(repeat[0].frameInfo->DropCount, 0);
    EXPECT_TRUE(repeat[0].data == first[0].data);
    // One more frame: the next number, nothing dropped.
    clock->advance(std::chrono::milliseconds(34));
    const KS_FRAME_INFO next = nextPicture(pin, 1);
    EXPECT_EQ(next.PictureNumber, 2);
    EXPECT_EQ(next.DropCount, 0);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
}

TEST_F(StreamingTest, DeliversBottomUpFramesOfWhatThePipelineMakesOfTheScene) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const auto frames = capture(pin, 3);
    ASSERT_EQ(frames.size(), 3u);
    const Bytes expected = expectedImage(0, 0, 1280, 960);
    for (const auto& frame : frames) {
        EXPECT_EQ(frame.status, STATUS_SUCCESS);
        ASSERT_EQ(frame.dataUsed, 1280u * 960u * 4u);
        EXPECT_EQ(frame.duration, 333333);
        EXPECT_EQ(frame.optionsFlags, 0x110u);
        EXPECT_TRUE(topRowFirst(frame.data, 1280, 960) == expected);
    }
    EXPECT_LT(frames[0].presentationTime, frames[2].presentationTime);
    // The red block: red well above green and blue (B, G, R, X order).
    const Bytes image = topRowFirst(frames[0].data, 1280, 960);
    const std::uint8_t* red = &image[(200 * 1280 + 200) * 4];
    EXPECT_GT(red[2], red[1] + 60);
    EXPECT_GT(red[2], red[0] + 60);
    EXPECT_EQ(red[3], 255);
    const std::uint8_t* blue = &image[(200 * 1280 + 800) * 4];
    EXPECT_GT(blue[0], blue[2] + 60);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
}

TEST_F(StreamingTest, ARegionOfInterestDeliversThatRegion) {
    ASSERT_EQ(settings().setRegion(96, 64, 644, 480), STATUS_SUCCESS);  // width rounds to 640
    auto pin = createPin(filter);
    ASSERT_EQ(imageBytes(), 640u * 480u * 4u);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const auto frames = capture(pin, 1);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].dataUsed, 640u * 480u * 4u);
    // The conversion is 644 wide; each delivered row is its first 640.
    const Bytes full = expectedImage(96, 64, 644, 480);
    const Bytes delivered = topRowFirst(frames[0].data, 640, 480);
    for (std::size_t y = 0; y < 480; y += 37) {
        EXPECT_EQ(std::memcmp(&delivered[y * 640 * 4], &full[y * 644 * 4], 640 * 4), 0) << y;
    }
    pin.close();
    ASSERT_EQ(settings().setRegion(0, 0, 1280, 960), STATUS_SUCCESS);
}

TEST_F(StreamingTest, SettingsChangedWhileStreamingActOnTheNextFrames) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    capture(pin, 1);
    ASSERT_EQ(settings().set(CAMPROP_COLORENABLE, 0), STATUS_SUCCESS);
    capture(pin, 2);  // one may have been converted before the change
    const auto frames = capture(pin, 1);
    ASSERT_EQ(frames.size(), 1u);
    const std::uint8_t* pixel = &frames[0].data[(760 * 1280 + 200) * 4];  // the red block
    EXPECT_EQ(pixel[0], pixel[1]);
    EXPECT_EQ(pixel[1], pixel[2]);
}

TEST_F(StreamingTest, OnlyOnePinOfADeviceStreamsAtATime) {
    auto first = createPin(filter);
    ASSERT_EQ(first.setState(KSSTATE_RUN), STATUS_SUCCESS);
    auto otherFilter = openFilter();
    auto second = createPin(otherFilter);
    EXPECT_EQ(second.setState(KSSTATE_ACQUIRE), STATUS_SHARING_VIOLATION);
    EXPECT_EQ(capture(first, 1).size(), 1u) << "the first stream is untouched";
    ASSERT_EQ(first.setState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_EQ(second.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    EXPECT_EQ(second.setState(KSSTATE_STOP), STATUS_SUCCESS);
}

TEST_F(StreamingTest, PauseAndRunResumeWithoutANewStartButAcquireStartsAfresh) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    capture(pin, 1);
    EXPECT_EQ(capturePreparations(), 1u);
    ASSERT_EQ(pin.setState(KSSTATE_PAUSE), STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(capture(pin, 2).size(), 2u);
    EXPECT_EQ(capturePreparations(), 1u);

    ASSERT_EQ(pin.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(capture(pin, 1).size(), 1u);
    EXPECT_EQ(capturePreparations(), 2u);
}

TEST_F(StreamingTest, StopStraightFromAcquireNeverStartsACapture) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_EQ(capturePreparations(), 0u);
    auto otherFilter = openFilter();
    auto other = createPin(otherFilter);
    EXPECT_EQ(other.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS) << "the claim was dropped";
    EXPECT_EQ(other.setState(KSSTATE_STOP), STATUS_SUCCESS);
}

TEST_F(StreamingTest, WithoutAClockFramesCarryNoTime) {
    host::streaming::faults().withoutReferenceClock(true);
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const auto frames = capture(pin, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].presentationTime, 0);
    EXPECT_EQ(frames[0].optionsFlags, 0u);
    EXPECT_EQ(frames[0].dataUsed, imageBytes());
}

TEST_F(StreamingTest, TheRegionWaitsForThePinToCloseNotForTheStreamToStop) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    ASSERT_EQ(settings().setRegion(0, 0, 320, 240), STATUS_SUCCESS);
    EXPECT_EQ(advertisedRange(filter).VideoInfoHeader.bmiHeader.biWidth, 1280);
    pin.close();
    ASSERT_EQ(settings().setRegion(0, 0, 320, 240), STATUS_SUCCESS);
    EXPECT_EQ(advertisedRange(filter).VideoInfoHeader.bmiHeader.biWidth, 320);
    ASSERT_EQ(settings().setRegion(0, 0, 1280, 960), STATUS_SUCCESS);
}

TEST_F(StreamingTest, ABufferTooSmallIsCompletedEmptyAndTheNextWholeOneFilled) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    ASSERT_EQ(pin.submitFrame(imageBytes() - 4), STATUS_SUCCESS);
    host::streaming::CapturedFrame frame{};
    ASSERT_TRUE(pin.waitForFrame(&frame, std::chrono::seconds(10)));
    EXPECT_EQ(frame.dataUsed, 0u);
    const auto frames = capture(pin, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].dataUsed, imageBytes());
}

TEST_F(StreamingTest, AThreadThatCannotBeMadeFailsRunAndRunWorksAfterwards) {
    auto pin = createPin(filter);
    host::failSystemThreadCreation(1, STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_INSUFFICIENT_RESOURCES);
    KSSTATE state = KSSTATE_STOP;
    ASSERT_EQ(pin.getState(&state), STATUS_SUCCESS);
    EXPECT_EQ(state, KSSTATE_PAUSE);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(capture(pin, 1).size(), 1u);
}

TEST_F(StreamingTest, PauseAndStopArePromptWhateverTheTimeOut) {
    ASSERT_EQ(settings().set(CAMPROP_TIMEOUT, 9999), STATUS_SUCCESS);
    auto pin = createPin(filter);
    simulatedCamera->withholdFrames(host::camera::CameraFirmware::kWithholdEveryFrame);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    ASSERT_EQ(pin.submitFrame(imageBytes()), STATUS_SUCCESS);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // a read is pending
    const auto before = Clock::now();
    ASSERT_EQ(pin.setState(KSSTATE_PAUSE), STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(3)) << "not the 10 s time-out";
    host::streaming::CapturedFrame frame{};
    ASSERT_TRUE(pin.waitForFrame(&frame, std::chrono::seconds(1)));
    EXPECT_EQ(frame.dataUsed, 0u) << "the pending buffer came back empty";
    simulatedCamera->withholdFrames(0);
}

TEST_F(StreamingTest, FramesResumeWhenAMissingCameraReturns) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    capture(pin, 1);
    simulatedCamera->disconnect();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    simulatedCamera->reconnect();
    EXPECT_EQ(capture(pin, 2).size(), 2u);
}

TEST_F(StreamingTest, RepeatedStartsAndStopsWhileFramesFlowLeaveNothingBehind) {
    auto pin = createPin(filter);
    for (int round = 0; round < 15; ++round) {
        ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(pin.submitFrame(imageBytes()), STATUS_SUCCESS);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 3));
        ASSERT_EQ(pin.setState(round % 2 == 0 ? KSSTATE_PAUSE : KSSTATE_STOP), STATUS_SUCCESS);
    }
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    pin.close();
}

TEST_F(StreamingTest, RemovingTheDeviceWhileItStreamsEndsTheStreamCleanly) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    capture(pin, 1);
    ASSERT_EQ(pin.submitFrame(imageBytes()), STATUS_SUCCESS);
    host::streaming::removeDevice(device);
    device = nullptr;
    host::streaming::CapturedFrame frame{};
    while (pin.waitForFrame(&frame, std::chrono::seconds(1))) {
    }
    EXPECT_EQ(pin.pendingFrames(), 0u) << "every buffer came back";
    // LedgerTest: the worker, its thread and every buffer are gone.
}

}  // namespace
