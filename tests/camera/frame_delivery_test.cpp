// Frames on the frame endpoint: one per request, in chunks, then NAK.
#include <camera/camera_scene.h>
#include <camera/frame_counter_code.h>

#include "camera_test.h"

namespace {

using namespace host::camera;

class FrameDeliveryTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        makeCamera(fastOptions());
    }
};

TEST_F(FrameDeliveryTest, NothingBeforeAFrameRequest) {
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    EXPECT_EQ(camera().frameState(), FrameEndpoint::State::kIdle);
}

TEST_F(FrameDeliveryTest, FrameComesInChunksThenTheEndpointNaks) {
    requestFrame();
    std::vector<std::size_t> lengths;
    for (int i = 0; i < 19; ++i) {
        const InTransfer in = readIn(kFrameEndpoint, kChunk);
        ASSERT_TRUE(in.acked()) << "transfer " << i;
        lengths.push_back(in.outcome.length);
    }
    EXPECT_EQ(lengths.front(), 65536U);
    EXPECT_EQ(lengths[17], 65536U);
    EXPECT_EQ(lengths.back(), 49152U);
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    EXPECT_EQ(camera().framesCompleted(), 1U);
    EXPECT_EQ(camera().frameState(), FrameEndpoint::State::kIdle);
}

TEST_F(FrameDeliveryTest, AnyTransferSizeGetsTheBytesInOrder) {
    requestFrame();
    std::vector<std::uint8_t> frame;
    const std::size_t sizes[] = {1, 511, 512, 100000, 3};
    for (std::size_t i = 0; frame.size() < kFrameBytes; ++i) {
        const InTransfer in = readIn(kFrameEndpoint, sizes[i % 5]);
        ASSERT_TRUE(in.acked());
        frame.insert(frame.end(), in.bytes.begin(), in.bytes.end());
    }
    std::vector<std::uint8_t> expected(kFrameBytes);
    CameraScene().render(0, expected.data());
    EXPECT_TRUE(frame == expected);
}

TEST_F(FrameDeliveryTest, FramesAreTheSceneNumberedFromZero) {
    for (std::uint32_t n = 0; n < 3; ++n) {
        requestFrame();
        const std::vector<std::uint8_t> frame = readWholeFrame();
        ASSERT_EQ(frame.size(), kFrameBytes);
        EXPECT_EQ(readFrameCounter(frame.data()), n);
    }
    const auto started = camera().receivedCommandsOfKind(CommandKind::kFrameRequest);
    ASSERT_EQ(started.size(), 6U);
    EXPECT_EQ(started[4].frame, FrameRequestOutcome::kStarted);
    EXPECT_EQ(started[4].frameNumber, 2U);
    EXPECT_EQ(camera().framesStarted(), 3U);
    EXPECT_EQ(camera().framesCompleted(), 3U);
}

TEST_F(FrameDeliveryTest, ConsecutiveFramesDiffer) {
    requestFrame();
    const auto first = readWholeFrame();
    requestFrame();
    const auto second = readWholeFrame();
    EXPECT_FALSE(first == second);
}

TEST_F(FrameDeliveryTest, FrameRequestDuringAFrameIsAbsorbed) {
    requestFrame();
    readIn(kFrameEndpoint, kChunk);
    requestFrame();
    std::size_t rest = 0;
    for (InTransfer in = readIn(kFrameEndpoint, kChunk); in.acked();
         in = readIn(kFrameEndpoint, kChunk)) {
        rest += in.outcome.length;
    }
    EXPECT_EQ(rest, kFrameBytes - kChunk);
    EXPECT_EQ(camera().framesStarted(), 1U);
}

TEST_F(FrameDeliveryTest, FixedFrameReplacesTheScene) {
    SimulatedCameraOptions options = fastOptions();
    options.fixedFrame.assign(kFrameBytes, 0);
    for (std::size_t i = 0; i < kFrameBytes; ++i) {
        options.fixedFrame[i] = static_cast<std::uint8_t>(i * 7 / 5);
    }
    const std::vector<std::uint8_t> expected = options.fixedFrame;
    makeCamera(options);
    for (int n = 0; n < 2; ++n) {
        requestFrame();
        EXPECT_TRUE(readWholeFrame() == expected);
    }
}

TEST_F(FrameDeliveryTest, FixedFrameOfTheWrongSizeIsRefused) {
    SimulatedCameraOptions options = fastOptions();
    options.fixedFrame.assign(100, 0);
    EXPECT_THROW(SimulatedCamera camera(options), std::invalid_argument);
}

}  // namespace
