// GetParameter and ReadByte: two reply packets each, the answer in byte 0
// of the second.
#include "camera_test.h"

namespace {

using namespace host::camera;
using host::usb::DeviceResponse;

class QueryReplyTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        SimulatedCameraOptions options = fastOptions();
        options.clockMode = 5;
        options.readableBytes = {{0x1234, 0xA5}, {0x0001, 7}};
        makeCamera(options);
    }
    // Reads the two packets of one answer; returns byte 0 of the second.
    int readAnswer(const std::vector<std::uint8_t>& query) {
        const InTransfer first = readIn(kReplyEndpoint, 64);
        const InTransfer second = readIn(kReplyEndpoint, 64);
        EXPECT_TRUE(first.acked());
        EXPECT_TRUE(second.acked());
        if (!first.acked() || !second.acked()) {
            return -1;
        }
        EXPECT_EQ(first.bytes, query) << "the first packet echoes the query";
        EXPECT_EQ(second.bytes.size(), 64U);
        for (std::size_t i = 1; i < second.bytes.size(); ++i) {
            EXPECT_EQ(second.bytes[i], 0) << "byte " << i;
        }
        return second.bytes[0];
    }
};

TEST_F(QueryReplyTest, NothingToReadUntilAsked) {
    EXPECT_TRUE(readIn(kReplyEndpoint, 64).naked());
}

TEST_F(QueryReplyTest, GetParameterAnswersTheClockMode) {
    const auto query = commandPacket(0x26, {15});
    send(query);
    EXPECT_EQ(camera().queuedReplyPackets(), 2U);
    EXPECT_EQ(readAnswer(query), 5);
    EXPECT_TRUE(readIn(kReplyEndpoint, 64).naked());
    const auto record = camera().receivedCommands();
    ASSERT_EQ(record.size(), 1U);
    EXPECT_EQ(record[0].parameter, 15);
    EXPECT_EQ(record[0].answer, 5);
}

TEST_F(QueryReplyTest, WithheldAnswersLeaveTheReplyEndpointNaking) {
    const auto query = commandPacket(0x26, {15});
    camera().withholdAnswers(1, 2);
    send(query);
    EXPECT_EQ(readAnswer(query), 5) << "answered before the withholding starts";
    send(query);
    send(query);
    EXPECT_TRUE(readIn(kReplyEndpoint, 64).naked()) << "two queries without a reply";
    EXPECT_EQ(camera().receivedCommands().size(), 3U) << "still recorded";
    send(query);
    EXPECT_EQ(readAnswer(query), 5) << "answered again afterwards";

    camera().withholdAnswers(0, CameraFirmware::kWithholdEveryAnswer);
    for (int i = 0; i < 3; ++i) {
        send(query);
    }
    EXPECT_TRUE(readIn(kReplyEndpoint, 64).naked());
    camera().withholdAnswers(0, 0);
    send(query);
    EXPECT_EQ(readAnswer(query), 5);
}

TEST_F(QueryReplyTest, ClockModeDefaultsToTwo) {
    makeCamera(fastOptions());
    const auto query = commandPacket(0x26, {15});
    send(query);
    EXPECT_EQ(readAnswer(query), 2);
}

TEST_F(QueryReplyTest, GetParameterSeesSetParameterAndTheCameraSide) {
    send(commandPacket(0x25, {40, 99}));
    const auto query = commandPacket(0x26, {40});
    send(query);
    EXPECT_EQ(readAnswer(query), 99);
    camera().setParameterValue(40, 3);
    send(query);
    EXPECT_EQ(readAnswer(query), 3);
}

TEST_F(QueryReplyTest, ReadByteAnswersFromTheByteMap) {
    const auto mapped = commandPacket(0x41, {0x51, 2, 1, 0x12, 0x34});
    const auto unmapped = commandPacket(0x41, {0x51, 2, 1, 0x00, 0x02});
    send(mapped);
    send(unmapped);
    EXPECT_EQ(readAnswer(mapped), 0xA5);
    EXPECT_EQ(readAnswer(unmapped), 0);
    camera().setReadableByte(2, 0x42);
    send(unmapped);
    EXPECT_EQ(readAnswer(unmapped), 0x42);
    EXPECT_EQ(camera().receivedCommands()[0].address, 0x1234);
}

TEST_F(QueryReplyTest, ReplyReadWithASmallBufferLosesTheRest) {
    send(commandPacket(0x26, {15}));
    const InTransfer first = readIn(kReplyEndpoint, 8);
    ASSERT_TRUE(first.acked());
    EXPECT_EQ(first.bytes.size(), 8U);
    EXPECT_EQ(camera().protocolErrors().size(), 1U);
    const InTransfer second = readIn(kReplyEndpoint, 512);
    ASSERT_TRUE(second.acked());
    EXPECT_EQ(second.bytes.size(), 64U);
    EXPECT_EQ(second.bytes[0], 5);
}

TEST_F(QueryReplyTest, ClearingTheHaltDropsQueuedReplies) {
    send(commandPacket(0x26, {15}));
    camera().clearHalt(kReplyEndpoint);
    EXPECT_TRUE(readIn(kReplyEndpoint, 64).naked());
}

}  // namespace
