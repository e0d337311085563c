// Live video through the class as a capture application sees it: frames,
// their timing and content, the stream's states, and its failures.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include <camera/camera_firmware.h>
#include <kernel/host_kernel.h>

#include "frame/stream_guids.h"
#include "frame/video_format.h"
#include "platform/interlocked.h"
#include "settings/camera_property_ids.h"
#include "stream_harness.h"

namespace {

using host::camera::CommandKind;
using Clock = std::chrono::steady_clock;

// The delivered bottom-up bitmap turned top row first.
std::vector<std::uint8_t> TopRowFirst(const std::vector<std::uint8_t>& data, std::size_t width,
                                      std::size_t height) {
    std::vector<std::uint8_t> image(data.size());
    const std::size_t row = width * 4;
    for (std::size_t y = 0; y < height; ++y) {
        std::memcpy(&image[y * row], &data[(height - 1 - y) * row], row);
    }
    return image;
}

// Frames the capture preparation announced to the camera (parameter 0 is
// the first byte of the raw frame size): one per StartCapture.
std::size_t CapturePreparations(host::camera::SimulatedCamera& camera) {
    std::size_t count = 0;
    for (const auto& command : camera.receivedCommandsOfKind(CommandKind::kSetParameter)) {
        count += command.parameter == 0 ? 1 : 0;
    }
    return count;
}

TEST_F(StreamTest, DeliversBottomUpFramesOfWhatThePipelineMakesOfTheScene) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const auto frames = capture(pin, 3);
    ASSERT_EQ(frames.size(), 3u);
    const auto expected = expectedImage(fixedScene());
    for (const auto& frame : frames) {
        EXPECT_EQ(frame.status, STATUS_SUCCESS);
        ASSERT_EQ(frame.dataUsed, 1280u * 960u * 4u);
        EXPECT_EQ(frame.duration, 333333);
        EXPECT_EQ(frame.optionsFlags, 0x110u);
        EXPECT_TRUE(TopRowFirst(frame.data, 1280, 960) == expected);
    }
    EXPECT_LT(frames[0].presentationTime, frames[2].presentationTime);
    // The red block: red well above green and blue (B, G, R, X order).
    const auto image = TopRowFirst(frames[0].data, 1280, 960);
    const std::uint8_t* red = &image[(200 * 1280 + 200) * 4];
    EXPECT_GT(red[2], red[1] + 60);
    EXPECT_GT(red[2], red[0] + 60);
    EXPECT_EQ(red[3], 255);
    const std::uint8_t* blue = &image[(200 * 1280 + 800) * 4];
    EXPECT_GT(blue[0], blue[2] + 60);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
}

TEST_F(StreamTest, ARegionOfInterestDeliversThatRegion) {
    camera()->setRegionOfInterest(96, 64, 644, 480, 0);  // width rounds to 640
    auto pin = createPin(filter);
    ASSERT_EQ(imageBytes(), 640u * 480u * 4u);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const auto frames = capture(pin, 1);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].dataUsed, 640u * 480u * 4u);
    // The worker's image is 644 wide; each delivered row is its first 640.
    const auto full = expectedImage(fixedScene());
    const auto delivered = TopRowFirst(frames[0].data, 640, 480);
    for (std::size_t y = 0; y < 480; y += 37) {
        EXPECT_EQ(std::memcmp(&delivered[y * 640 * 4], &full[y * 644 * 4], 640 * 4), 0) << y;
    }
    pin.close();
    camera()->setRegionOfInterest(0, 0, 1280, 960, 0);
}

TEST_F(StreamTest, SettingsChangedWhileStreamingActOnTheNextFrames) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    capture(pin, 1);
    ASSERT_EQ(filter.setLong(kCameraSettingsPropertySet, CAMPROP_COLORENABLE, 0), STATUS_SUCCESS);
    capture(pin, 2);  // one may have been converted before the change
    const auto frames = capture(pin, 1);
    ASSERT_EQ(frames.size(), 1u);
    const std::uint8_t* pixel = &frames[0].data[(760 * 1280 + 200) * 4];  // the red block
    EXPECT_EQ(pixel[0], pixel[1]);
    EXPECT_EQ(pixel[1], pixel[2]);
}

TEST_F(StreamTest, OnlyOnePinOfADeviceStreamsAtATime) {
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

TEST_F(StreamTest, PauseAndRunResumeWithoutANewStartButAcquireStartsAfresh) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    capture(pin, 1);
    EXPECT_EQ(CapturePreparations(*simulatedCamera), 1u);
    ASSERT_EQ(pin.setState(KSSTATE_PAUSE), STATUS_SUCCESS);
    EXPECT_EQ(worker()->thread, nullptr);
    EXPECT_NE(worker()->image, nullptr) << "buffers kept over a pause";
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(capture(pin, 2).size(), 2u);
    EXPECT_EQ(CapturePreparations(*simulatedCamera), 1u);

    ASSERT_EQ(pin.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    EXPECT_EQ(worker()->image, nullptr) << "buffers freed on leaving pause";
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(capture(pin, 1).size(), 1u);
    EXPECT_EQ(CapturePreparations(*simulatedCamera), 2u);
}

TEST_F(StreamTest, WithoutAClockFramesCarryNoTime) {
    host::streaming::faults().withoutReferenceClock(true);
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const auto frames = capture(pin, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].presentationTime, 0);
    EXPECT_EQ(frames[0].optionsFlags, 0u);
    EXPECT_EQ(frames[0].dataUsed, imageBytes());
}

TEST_F(StreamTest, StopStraightFromAcquireFreesTheConversionWithoutTheWorker) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    EXPECT_NE(camera()->conversion, nullptr);
    EXPECT_EQ(camera()->streamClaimed, 1);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_EQ(camera()->conversion, nullptr);
    EXPECT_EQ(camera()->streamClaimed, 0);
    EXPECT_EQ(camera()->streamOwner, nullptr);
    EXPECT_EQ(worker()->state, kCaptureIdle);
    EXPECT_EQ(CapturePreparations(*simulatedCamera), 0u);
}

TEST_F(StreamTest, ARegionRequestWaitsForThePinToCloseNotForTheStreamToStop) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    camera()->setRegionOfInterest(0, 0, 320, 240, 0);
    EXPECT_EQ(camera()->roiWidth, 1280);
    pin.close();
    camera()->setRegionOfInterest(0, 0, 320, 240, 0);
    EXPECT_EQ(camera()->roiWidth, 320);
    camera()->setRegionOfInterest(0, 0, 1280, 960, 0);
}

TEST_F(StreamTest, ABufferTooSmallIsCompletedEmptyAndCounted) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    ASSERT_EQ(pin.submitFrame(imageBytes() - 4), STATUS_SUCCESS);
    host::streaming::CapturedFrame frame{};
    ASSERT_TRUE(pin.waitForFrame(&frame, std::chrono::seconds(10)));
    EXPECT_EQ(frame.dataUsed, 0u);
    EXPECT_EQ(AtomicRead(&worker()->buffersTooSmall), 1);
    EXPECT_EQ(capture(pin, 1).size(), 1u) << "the next whole buffer is filled";
}

TEST_F(StreamTest, AFormatSmallerThanTheDevicesOutputGetsNothingWritten) {
    // Another device narrowed the shared range: this pin connects at a
    // smaller size than its own device delivers.
    UpdateVideoFormat(640, 480, 30);
    auto pin = createPin(filter);
    UpdateVideoFormat(1280, 960, 30);
    ASSERT_EQ(imageBytes(), 640u * 480u * 4u);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const auto frames = capture(pin, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].dataUsed, 0u);
    EXPECT_EQ(AtomicRead(&worker()->buffersTooSmall), 1);
}

TEST_F(StreamTest, AThreadThatCannotBeMadeFailsRunAndKeepsNothing) {
    auto pin = createPin(filter);
    host::failSystemThreadCreation(1, STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_INSUFFICIENT_RESOURCES);
    KSSTATE state = KSSTATE_STOP;
    ASSERT_EQ(pin.getState(&state), STATUS_SUCCESS);
    EXPECT_EQ(state, KSSTATE_PAUSE);
    EXPECT_EQ(worker()->image, nullptr);
    EXPECT_EQ(worker()->rawBuffer[0], nullptr);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(capture(pin, 1).size(), 1u);
}

TEST_F(StreamTest, PauseAndStopArePromptWhateverTheTimeOut) {
    ASSERT_EQ(filter.setLong(kCameraSettingsPropertySet, CAMPROP_TIMEOUT, 9999), STATUS_SUCCESS);
    auto pin = createPin(filter);
    simulatedCamera->withholdFrames(host::camera::CameraFirmware::kWithholdEveryFrame);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    ASSERT_EQ(pin.submitFrame(imageBytes()), STATUS_SUCCESS);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // a read is pending
    const auto before = Clock::now();
    ASSERT_EQ(pin.setState(KSSTATE_PAUSE), STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(3)) << "not the 10 s time-out";
    EXPECT_EQ(worker()->framesCaptured, 0);
    host::streaming::CapturedFrame frame{};
    ASSERT_TRUE(pin.waitForFrame(&frame, std::chrono::seconds(1)));
    EXPECT_EQ(frame.dataUsed, 0u) << "the pending buffer came back empty";
    simulatedCamera->withholdFrames(0);
}

TEST_F(StreamTest, AMissingCameraIsRetriedGentlyAndFramesResumeWhenItReturns) {
    auto pin = createPin(filter);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    capture(pin, 1);
    simulatedCamera->disconnect();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const LONG failures = AtomicRead(&worker()->readFailures);
    EXPECT_GT(failures, 0);
    EXPECT_LT(failures, 60) << "backing off, not spinning";
    simulatedCamera->reconnect();
    EXPECT_EQ(capture(pin, 2).size(), 2u);
}

TEST_F(StreamTest, ADeviceWithoutAWorkerRefusesRun) {
    filter.close();
    host::streaming::stopDevice(device);
    host::streaming::faults().failBagAdds(STATUS_INSUFFICIENT_RESOURCES, 1);
    // The worker of the first start stays in the bag; this start has none.
    camera()->worker = nullptr;
    ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);
    ASSERT_EQ(camera()->worker, nullptr);
    filter = openFilter();
    auto pin = createPin(filter);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
}

TEST_F(StreamTest, RepeatedStartsAndStopsWhileFramesFlowLeaveNothingBehind) {
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

}  // namespace
