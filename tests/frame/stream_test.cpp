// Live video seen from inside the driver: the capture worker's thread,
// buffers and counters through the stream's states and failures. What an
// application sees of the same is in tests/blackbox.
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

// Frames the capture preparation announced to the camera (parameter 0 is
// the first byte of the raw frame size): one per StartCapture.
std::size_t CapturePreparations(host::camera::SimulatedCamera& camera) {
    std::size_t count = 0;
    for (const auto& command : camera.receivedCommandsOfKind(CommandKind::kSetParameter)) {
        count += command.parameter == 0 ? 1 : 0;
    }
    return count;
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

}  // namespace
