// Command packets as the camera receives them, queries, and the command
// lock that keeps concurrent commands from interleaving.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include <camera/camera_firmware.h>

#include "bus_capture.h"
#include "transport_harness.h"
#include "usb/command_packets.h"
#include "usb/packet_transfer.h"

namespace {

using host::camera::CommandKind;

class CommandTest : public TransportTest {
  protected:
    void SetUp() override {
        TransportTest::SetUp();
        attachConfigured();
    }

    bool send() { return SendPacket(&transport, kCommandPipe, 64, buffers.commandBuffer); }
};

TEST_F(CommandTest, RegisterWordsCarryTheBitCountOfTheirRange) {
    const struct {
        ULONG address, value;
        unsigned bits;
    } writes[] = {
        {255, 0x3F, 16}, {256, 0xBEEF, 26}, {383, 0xFFFF, 26}, {384, 0x3FFFFF, 32}, {1023, 5, 32}};
    for (const auto& w : writes) {
        BuildWriteRegister(buffers.commandBuffer, w.address, w.value);
        ASSERT_TRUE(send());
    }
    const auto received = newCommands();
    ASSERT_EQ(received.size(), std::size(writes));
    for (size_t i = 0; i < received.size(); ++i) {
        EXPECT_TRUE(received[i].ok()) << received[i].error;
        EXPECT_EQ(received[i].bitCount, writes[i].bits);
        EXPECT_EQ(received[i].address, writes[i].address);
        EXPECT_EQ(camera->registerValue(writes[i].address), writes[i].value);
    }
}

TEST_F(CommandTest, AValueIsMaskedToItsRegistersWidth) {
    BuildWriteRegister(buffers.commandBuffer, 6, 0x41);
    const UCHAR word[4] = {0x06, 0x04, 0x00, 0x00};  // 0x01 << 10 | 6
    EXPECT_EQ(0, memcmp(buffers.commandBuffer + 2, word, 4));
    ASSERT_TRUE(send());
    EXPECT_EQ(camera->registerValue(6), 1u);
}

TEST_F(CommandTest, QueriesAnswerFromTheSecondReply) {
    camera->setParameterValue(15, 7);
    camera->setReadableByte(0x1234, 0x5A);
    BuildGetParameter(buffers.commandBuffer, 15);
    ASSERT_TRUE(QueryPacket(&transport, &buffers));
    EXPECT_EQ(buffers.commandBuffer[0], 7);
    BuildReadByte(buffers.commandBuffer, 0x1234);
    ASSERT_TRUE(QueryPacket(&transport, &buffers));
    EXPECT_EQ(buffers.commandBuffer[0], 0x5A);
    const auto received = newCommands();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].kind, CommandKind::kReadByte);
    EXPECT_EQ(received[1].address, 0x1234);
}

TEST_F(CommandTest, AFailedFirstReplyEndsTheQuery) {
    camera->stallEndpoint(0x82);
    bus->trace().start();
    BuildGetParameter(buffers.commandBuffer, 15);
    EXPECT_FALSE(QueryPacket(&transport, &buffers));
    EXPECT_EQ(bulkSubmissions(*bus, 0x82).size(), 1u);  // the second reply is never asked for
    EXPECT_EQ(buffers.commandBuffer[0], kCommandGetParameter);
}

// A reply the camera never sends: the wait ends after the time-out, the
// transfer was cancelled (nothing left at the bus) and the next query is
// answered. If the wait never ended, unplugging the camera ends it.
TEST_F(CommandTest, AQueryWhoseReplyNeverComesEndsAfterTheTimeOut) {
    camera->setParameterValue(15, 7);
    camera->withholdAnswers(0, 1);
    BuildGetParameter(buffers.commandBuffer, 15);
    const auto before = std::chrono::steady_clock::now();
    auto query =
        std::async(std::launch::async, [this] { return QueryPacket(&transport, &buffers); });
    if (query.wait_for(std::chrono::milliseconds(kLowerRequestTimeoutMs + 3000)) !=
        std::future_status::ready) {
        ADD_FAILURE() << "the query still waits for its reply";
        camera->disconnect();
        query.wait();
        return;
    }
    EXPECT_FALSE(query.get());
    EXPECT_GE(std::chrono::steady_clock::now() - before,
              std::chrono::milliseconds(kLowerRequestTimeoutMs));
    EXPECT_EQ(bus->pendingRequests(), 0u);

    BuildGetParameter(buffers.commandBuffer, 15);
    ASSERT_TRUE(QueryPacket(&transport, &buffers));
    EXPECT_EQ(buffers.commandBuffer[0], 7);
}

TEST_F(CommandTest, ATransferThatNeverCompletesReportsTheTimeOut) {
    UCHAR packet[64] = {};
    ULONG transferred = 99;
    auto read = std::async(std::launch::async, [&] {
        return TransferPacket(&transport, kReplyPipe, 64, packet, &transferred);
    });
    if (read.wait_for(std::chrono::milliseconds(kLowerRequestTimeoutMs + 3000)) !=
        std::future_status::ready) {
        ADD_FAILURE() << "the reply transfer still waits";
        camera->disconnect();
        read.wait();
        return;
    }
    EXPECT_EQ(read.get(), STATUS_IO_TIMEOUT);
    EXPECT_EQ(transferred, 0u);
    EXPECT_EQ(bus->pendingRequests(), 0u);
}

TEST_F(CommandTest, RawCommandsCarryAtMost63PayloadBytes) {
    UCHAR payload[100];
    for (int i = 0; i < 100; ++i) payload[i] = UCHAR(i + 1);
    BuildRawCommand(buffers.commandBuffer, payload, 100);
    ASSERT_TRUE(send());
    BuildRawCommand(buffers.commandBuffer, payload, -3);
    ASSERT_TRUE(send());
    const auto received = newCommands();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].payload(), std::vector<std::uint8_t>(payload, payload + 63));
    EXPECT_EQ(received[1].payload(), std::vector<std::uint8_t>(63, 0));
}

TEST_F(CommandTest, ShortOrMissingBuffersAreNotSent) {
    EXPECT_FALSE(SendPacket(&transport, kCommandPipe, 0, buffers.commandBuffer));
    EXPECT_FALSE(SendPacket(&transport, kCommandPipe, 64, nullptr));
    ULONG moved = 1;
    EXPECT_EQ(TransferPacket(&transport, 7, 64, buffers.commandBuffer, &moved),
              STATUS_INVALID_PARAMETER);
    EXPECT_EQ(moved, 0u);
    EXPECT_TRUE(newCommands().empty());
}

TEST_F(CommandTest, ConcurrentQueriesUnderTheLockNeverMixTheirReplies) {
    camera->setParameterValue(15, 7);
    camera->setReadableByte(0x10, 0x99);
    auto asker = [this](bool clock, int* wrong) {
        for (int i = 0; i < 100; ++i) {
            CommandLock lock(&buffers);
            if (clock) {
                BuildGetParameter(buffers.commandBuffer, 15);
            } else {
                BuildReadByte(buffers.commandBuffer, 0x10);
            }
            const bool ok = QueryPacket(&transport, &buffers);
            if (!ok || buffers.commandBuffer[0] != (clock ? 7 : 0x99))
                ++*wrong;
        }
    };
    int wrongClock = 0, wrongByte = 0;
    std::thread other(asker, true, &wrongClock);
    asker(false, &wrongByte);
    other.join();
    EXPECT_EQ(wrongClock, 0);
    EXPECT_EQ(wrongByte, 0);
    EXPECT_TRUE(camera->protocolErrors().empty());
}

}  // namespace
