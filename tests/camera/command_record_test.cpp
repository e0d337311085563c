// Each command, as the camera records and carries it out.
#include "camera_test.h"

namespace {

using namespace host::camera;
using host::usb::DeviceResponse;

class CommandRecordTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        makeCamera(fastOptions());
    }
    // Sends one packet and returns the camera's record of it.
    ReceivedCommand sendAndRecord(const std::vector<std::uint8_t>& packet) {
        const std::size_t before = camera().receivedCommands().size();
        EXPECT_EQ(send(packet).response, DeviceResponse::kAck);
        const auto after = camera().receivedCommandsSince(before);
        EXPECT_EQ(after.size(), 1U);
        return after.empty() ? ReceivedCommand{} : after.front();
    }
};

TEST_F(CommandRecordTest, WriteRegisterInEachRange) {
    const struct {
        unsigned bits, address;
        std::uint32_t value;
    } writes[] = {{16, 6, 63},     {16, 255, 1},        {26, 256, 0xFFFF},
                  {26, 383, 1234}, {32, 384, 0x3FFFFF}, {32, 1023, 77}};
    for (const auto& w : writes) {
        const ReceivedCommand c = sendAndRecord(writeRegisterPacket(w.bits, w.address, w.value));
        EXPECT_TRUE(c.ok()) << describe(c);
        EXPECT_EQ(c.kind, CommandKind::kWriteRegister);
        EXPECT_EQ(c.bitCount, w.bits);
        EXPECT_EQ(c.address, w.address);
        EXPECT_EQ(c.value, w.value);
        EXPECT_EQ(camera().registerValue(w.address), w.value);
    }
    EXPECT_EQ(camera().registerValue(7), 0U);  // untouched
}

TEST_F(CommandRecordTest, SetParameter) {
    const ReceivedCommand c = sendAndRecord(commandPacket(0x25, {11, 1}));
    EXPECT_EQ(c.kind, CommandKind::kSetParameter);
    EXPECT_EQ(c.parameter, 11);
    EXPECT_EQ(c.value, 1U);
    EXPECT_EQ(camera().parameterValue(11), 1);
}

TEST_F(CommandRecordTest, CommandsWithoutEffectOnStateAreRecorded) {
    EXPECT_EQ(sendAndRecord(commandPacket(0x06)).kind, CommandKind::kInitialize);
    EXPECT_EQ(sendAndRecord(commandPacket(0x0A, {1})).kind, CommandKind::kStreamSetup);
    EXPECT_EQ(sendAndRecord(commandPacket(0x03)).kind, CommandKind::kReadsPosted);
}

TEST_F(CommandRecordTest, RawCommandKeepsItsPayload) {
    std::vector<std::uint8_t> packet(64);
    for (std::size_t i = 0; i < packet.size(); ++i) {
        packet[i] = static_cast<std::uint8_t>(i * 3 + 1);
    }
    packet[0] = 0x40;
    const ReceivedCommand c = sendAndRecord(packet);
    EXPECT_TRUE(c.ok());
    EXPECT_EQ(c.kind, CommandKind::kRawCommand);
    EXPECT_EQ(c.payload(), std::vector<std::uint8_t>(packet.begin() + 1, packet.end()));
}

TEST_F(CommandRecordTest, RecordKeepsOrderAndIndexes) {
    send(commandPacket(0x06));
    send(writeRegisterPacket(16, 6, 5));
    send(commandPacket(0x0A, {1}));
    const auto record = camera().receivedCommands();
    ASSERT_EQ(record.size(), 3U);
    EXPECT_EQ(record[0].kind, CommandKind::kInitialize);
    EXPECT_EQ(record[1].kind, CommandKind::kWriteRegister);
    EXPECT_EQ(record[2].kind, CommandKind::kStreamSetup);
    for (std::size_t i = 0; i < record.size(); ++i) {
        EXPECT_EQ(record[i].index, i);
        EXPECT_EQ(record[i].packet.size(), 64U);
    }
    EXPECT_EQ(camera().receivedCommandsOfKind(CommandKind::kWriteRegister).size(), 1U);
    EXPECT_EQ(camera().receivedCommandsSince(2).size(), 1U);
    EXPECT_TRUE(camera().receivedCommandsSince(3).empty());
    EXPECT_TRUE(camera().waitForCommands(3, std::chrono::milliseconds(0)));
    EXPECT_FALSE(camera().waitForCommands(4, std::chrono::milliseconds(1)));
}

TEST_F(CommandRecordTest, DescribeNamesTheCommand) {
    EXPECT_EQ(describe(sendAndRecord(writeRegisterPacket(26, 300, 4660))),
              "#0 WriteRegister 26 bits: register 300 = 4660");
    EXPECT_EQ(describe(sendAndRecord(commandPacket(0x25, {15, 3}))), "#1 SetParameter 15 = 3");
    EXPECT_EQ(describe(sendAndRecord(commandPacket(0x26, {15}))), "#2 GetParameter 15 -> 3");
    EXPECT_EQ(describe(sendAndRecord(commandPacket(0x99))),
              "#3 Unknown (code 153) -- error: unknown command code 153");
}

TEST_F(CommandRecordTest, FrameRequestSequenceMakesOneFrame) {
    requestFrame();
    const auto record = camera().receivedCommands();
    ASSERT_EQ(record.size(), 3U);
    EXPECT_EQ(record[0].frame, FrameRequestOutcome::kStarted);
    EXPECT_EQ(record[0].frameNumber, 0U);
    EXPECT_EQ(record[1].frame, FrameRequestOutcome::kAlreadyActive);
    EXPECT_EQ(record[2].kind, CommandKind::kReadsPosted);
    EXPECT_EQ(camera().framesStarted(), 1U);
    EXPECT_TRUE(camera().protocolErrors().empty());
}

}  // namespace
