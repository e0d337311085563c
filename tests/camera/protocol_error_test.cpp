// Packets and transfers that break the protocol: acknowledged where the
// hardware would, recorded, and without effect.
#include "camera_test.h"

namespace {

using namespace host::camera;
using host::usb::DeviceResponse;

class ProtocolErrorTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        makeCamera(fastOptions());
    }
    // Sends a packet that must be acknowledged, recorded with an error and
    // otherwise ignored; returns the error.
    std::string rejected(std::vector<std::uint8_t> packet) {
        const std::size_t before = camera().receivedCommands().size();
        const std::size_t errorsBefore = camera().protocolErrors().size();
        const auto outcome = send(packet);
        EXPECT_EQ(outcome.response, DeviceResponse::kAck);
        EXPECT_EQ(outcome.length, packet.size());
        const auto record = camera().receivedCommandsSince(before);
        EXPECT_EQ(record.size(), 1U);
        EXPECT_EQ(camera().protocolErrors().size(), errorsBefore + 1);
        if (record.empty()) {
            return {};
        }
        EXPECT_FALSE(record[0].ok());
        EXPECT_EQ(record[0].packet, packet);
        EXPECT_EQ(camera().protocolErrors().back(), describe(record[0]));
        return record[0].error;
    }
};

TEST_F(ProtocolErrorTest, WrongLengths) {
    EXPECT_EQ(rejected({0x06}), "packet of 1 bytes, not 64");
    EXPECT_EQ(rejected(std::vector<std::uint8_t>(65, 0)), "packet of 65 bytes, not 64");
    EXPECT_EQ(rejected({}), "packet of 0 bytes, not 64");
    auto longFrameRequest = commandPacket(0x02);
    longFrameRequest.resize(128);
    rejected(longFrameRequest);
    EXPECT_EQ(camera().framesStarted(), 0U);
}

TEST_F(ProtocolErrorTest, UnknownCodes) {
    for (std::uint8_t code : {0x00, 0x01, 0x05, 0x27, 0x42, 0xFF}) {
        EXPECT_NE(rejected(commandPacket(code)), "") << int{code};
    }
}

TEST_F(ProtocolErrorTest, NonZeroPadding) {
    auto frameRequest = commandPacket(0x02);
    frameRequest[63] = 1;
    EXPECT_EQ(rejected(frameRequest), "byte 63 is 1, not 0");
    EXPECT_EQ(camera().framesStarted(), 0U);
    rejected(commandPacket(0x03, {1}));
    rejected(commandPacket(0x06, {0, 0, 4}));
    rejected(commandPacket(0x25, {15, 3, 1}));
    EXPECT_EQ(camera().parameterValue(15), 2);
    rejected(commandPacket(0x26, {15, 1}));
    EXPECT_EQ(camera().queuedReplyPackets(), 0U);
    auto write = writeRegisterPacket(16, 6, 1);
    write[6] = 1;
    rejected(write);
    EXPECT_EQ(camera().registerValue(6), 0U);
}

TEST_F(ProtocolErrorTest, StreamSetupNeedsOne) {
    EXPECT_EQ(rejected(commandPacket(0x0A)), "byte 1 is 0, not 1");
    rejected(commandPacket(0x0A, {2}));
}

TEST_F(ProtocolErrorTest, ReadByteNeedsItsFixedBytes) {
    EXPECT_EQ(rejected(commandPacket(0x41, {0x50, 2, 1, 0, 5})), "byte 1 is 80, not 81");
    rejected(commandPacket(0x41, {0x51, 1, 1, 0, 5}));
    rejected(commandPacket(0x41, {0x51, 2, 0, 0, 5}));
    rejected(commandPacket(0x41, {0x51, 2, 1, 0, 5, 9}));
    EXPECT_EQ(camera().queuedReplyPackets(), 0U);
}

TEST_F(ProtocolErrorTest, RegisterWritesThatDoNotFit) {
    rejected(writeRegisterPacket(26, 6, 1));    // 16-bit range
    rejected(writeRegisterPacket(16, 300, 1));  // 26-bit range
    rejected(writeRegisterPacket(26, 500, 1));  // 32-bit range
    rejected(writeRegisterPacket(16, 6, 64));   // value wider than 6 bits
    rejected(writeRegisterPacket(26, 300, 0x10000));
    rejected(writeRegisterPacket(20, 6, 1));  // no such bit count
    for (unsigned address : {6U, 300U, 500U}) {
        EXPECT_EQ(camera().registerValue(address), 0U);
    }
}

TEST_F(ProtocolErrorTest, BulkTransfersWhileUnconfiguredStall) {
    setConfiguration(0);
    const auto packet = commandPacket(0x06);
    EXPECT_EQ(send(packet).response, DeviceResponse::kStall);
    EXPECT_TRUE(readIn(kReplyEndpoint, 64).stalled());
    EXPECT_EQ(camera().protocolErrors().size(), 2U);
    EXPECT_TRUE(camera().receivedCommands().empty());
}

TEST_F(ProtocolErrorTest, TransfersToEndpointsTheCameraLacks) {
    const auto packet = commandPacket(0x06);
    EXPECT_EQ(camera().transferOut(0x02, packet.data(), packet.size()).response,
              DeviceResponse::kStall);
    EXPECT_EQ(camera().transferOut(kFrameEndpoint, packet.data(), packet.size()).response,
              DeviceResponse::kStall);
    EXPECT_TRUE(readIn(kCommandEndpoint, 64).stalled());
    EXPECT_TRUE(readIn(0x81, 64).stalled());
    EXPECT_EQ(camera().protocolErrors().size(), 4U);
    EXPECT_EQ(camera().protocolErrors()[0],
              "OUT transfer on 0x02, which the interface does not have");
}

}  // namespace
