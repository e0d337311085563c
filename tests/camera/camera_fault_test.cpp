// The fault switches: stalls, withheld frames, faulty frame transfers,
// disconnection, and what clears them.
#include <camera/frame_counter_code.h>

#include "camera_test.h"

namespace {

using namespace host::camera;
using host::usb::DeviceResponse;
using Action = FrameTransferFault::Action;

class CameraFaultTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        makeCamera(fastOptions());
    }
    // Reads kChunk transfers until one is not acknowledged; returns the
    // lengths of those that were.
    std::vector<std::size_t> readUntilRefused() {
        std::vector<std::size_t> lengths;
        for (InTransfer in = readIn(kFrameEndpoint, kChunk); in.acked();
             in = readIn(kFrameEndpoint, kChunk)) {
            lengths.push_back(in.outcome.length);
        }
        return lengths;
    }
};

TEST_F(CameraFaultTest, StalledEndpointStaysHaltedUntilCleared) {
    for (std::uint8_t ep : {kReplyEndpoint, kFrameEndpoint}) {
        camera().stallEndpoint(ep);
        EXPECT_TRUE(readIn(ep, 64).stalled());
        EXPECT_TRUE(readIn(ep, 64).stalled());
        camera().clearHalt(ep);
        EXPECT_TRUE(readIn(ep, 64).naked());
    }
    camera().stallEndpoint(kCommandEndpoint);
    EXPECT_EQ(send(commandPacket(0x06)).response, DeviceResponse::kStall);
    EXPECT_TRUE(camera().receivedCommands().empty());
    camera().clearHalt(kCommandEndpoint);
    EXPECT_EQ(send(commandPacket(0x06)).response, DeviceResponse::kAck);
    EXPECT_TRUE(camera().protocolErrors().empty()) << "a fault is not the driver's error";
}

TEST_F(CameraFaultTest, StalledControlPipe) {
    camera().stallEndpoint(0x00);
    EXPECT_TRUE(getDescriptor(1, 18).stalled());
    camera().clearHalt(0x00);
    EXPECT_TRUE(getDescriptor(1, 18).acked());
}

TEST_F(CameraFaultTest, WithheldFrameSwallowsItsWholeSequence) {
    camera().withholdFrames(1);
    requestFrame();
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    const auto record = camera().receivedCommands();
    EXPECT_EQ(record[0].frame, FrameRequestOutcome::kWithheld);
    EXPECT_EQ(record[1].frame, FrameRequestOutcome::kWithheld);
    EXPECT_EQ(camera().frameState(), FrameEndpoint::State::kIdle);
    // The driver times out and asks again: this one comes, numbered 0.
    requestFrame();
    const auto frame = readWholeFrame();
    ASSERT_EQ(frame.size(), kFrameBytes);
    EXPECT_EQ(readFrameCounter(frame.data()), 0U);
}

TEST_F(CameraFaultTest, WithholdingEveryFrameUntilTurnedOff) {
    camera().withholdFrames(CameraFirmware::kWithholdEveryFrame);
    for (int i = 0; i < 3; ++i) {
        requestFrame();
        EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    }
    camera().withholdFrames(0);
    requestFrame();
    EXPECT_EQ(readWholeFrame().size(), kFrameBytes);
    EXPECT_EQ(camera().framesStarted(), 1U);
}

TEST_F(CameraFaultTest, StalledChunkHaltsAndDropsTheFrame) {
    camera().addFrameTransferFault({.transferIndex = 3, .action = Action::kStall, .frames = 1});
    requestFrame();
    EXPECT_EQ(readUntilRefused().size(), 3U);
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).stalled()) << "halted";
    camera().clearHalt(kFrameEndpoint);
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked()) << "the frame is gone";
    EXPECT_EQ(camera().framesCompleted(), 0U);
    // The fault was for one frame only.
    requestFrame();
    const auto frame = readWholeFrame();
    EXPECT_EQ(readFrameCounter(frame.data()), 1U);
}

TEST_F(CameraFaultTest, ShortenedChunkLosesBytes) {
    camera().addFrameTransferFault({.transferIndex = 18, .action = Action::kShorten, .bytes = 100});
    camera().addFrameTransferFault({.transferIndex = 0, .action = Action::kShorten, .bytes = 512});
    for (int n = 0; n < 2; ++n) {
        requestFrame();
        const auto lengths = readUntilRefused();
        ASSERT_EQ(lengths.size(), 19U);
        EXPECT_EQ(lengths[0], 512U);
        EXPECT_EQ(lengths[1], kChunk);
        EXPECT_EQ(lengths[18], 100U);
    }
    camera().clearFrameTransferFaults();
    requestFrame();
    EXPECT_EQ(readUntilRefused().size(), 19U);
    EXPECT_EQ(camera().framesCompleted(), 3U);
}

TEST_F(CameraFaultTest, DisconnectedCameraFailsEverything) {
    send(commandPacket(0x26, {15}));
    requestFrame();
    camera().disconnect();
    EXPECT_FALSE(camera().connected());
    EXPECT_FALSE(camera().enabled());
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).stalled());
    EXPECT_TRUE(readIn(kReplyEndpoint, 64).stalled());
    EXPECT_EQ(send(commandPacket(0x06)).response, DeviceResponse::kStall);
    EXPECT_TRUE(getDescriptor(1, 18).stalled());
    camera().resetPort();
    EXPECT_FALSE(camera().enabled());
    EXPECT_TRUE(camera().protocolErrors().empty());
}

TEST_F(CameraFaultTest, ReconnectIsAPowerCycle) {
    send(writeRegisterPacket(16, 6, 9));
    send(commandPacket(0x25, {15, 7}));
    requestFrame();
    camera().disconnect();
    camera().reconnect();
    EXPECT_TRUE(camera().connected());
    EXPECT_TRUE(camera().enabled());
    EXPECT_EQ(camera().configurationValue(), 0);
    EXPECT_EQ(camera().registerValue(6), 0U);
    EXPECT_EQ(camera().parameterValue(15), 2);
    EXPECT_EQ(camera().receivedCommands().size(), 5U) << "the record stays";
    setConfiguration(1);
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    requestFrame();
    EXPECT_EQ(readFrameCounter(readWholeFrame().data()), 0U);
}

TEST_F(CameraFaultTest, PortResetDropsTransfersButKeepsRegisters) {
    send(writeRegisterPacket(16, 6, 9));
    send(commandPacket(0x26, {15}));
    requestFrame();
    camera().stallEndpoint(kReplyEndpoint);
    camera().resetPort();
    EXPECT_EQ(camera().configurationValue(), 0);
    setConfiguration(1);
    EXPECT_TRUE(readIn(kReplyEndpoint, 64).naked());
    EXPECT_TRUE(readIn(kFrameEndpoint, kChunk).naked());
    EXPECT_EQ(camera().registerValue(6), 9U);
}

}  // namespace
