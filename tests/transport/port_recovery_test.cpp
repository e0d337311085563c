// Port recovery on the frame path while a query waits for its reply: the
// port is reset only once the command path is quiet, never under a
// transfer still pending at the bus.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <kernel/host_kernel.h>

#include "transport_harness.h"
#include "usb/command_packets.h"
#include "usb/packet_transfer.h"
#include "usb/port_recovery.h"

namespace {

class PortRecoveryTest : public TransportTest {
  protected:
    void SetUp() override {
        TransportTest::SetUp();
        attachConfigured();
    }

    // A query as a property request sends it, under the command lock.
    bool query(UCHAR parameter) {
        CommandLock lock(&buffers);
        BuildGetParameter(buffers.commandBuffer, parameter);
        return QueryPacket(&transport, &buffers);
    }
};

TEST_F(PortRecoveryTest, TheResetWaitsForAQueryInFlightAndMeetsNoTransfer) {
    camera->setParameterValue(15, 3);
    camera->withholdAnswers(0, 1);
    auto pending = std::async(std::launch::async, [this] { return query(15); });
    ASSERT_TRUE(camera->waitForCommands(1, std::chrono::seconds(5)));
    camera->disablePort();

    host::ScopedViolationRecorder recorder;
    auto recovery =
        std::async(std::launch::async, [this] { RecoverPortQuiesced(&transport, &buffers); });
    const auto longest = std::chrono::milliseconds(2 * kLowerRequestTimeoutMs + 3000);
    ASSERT_EQ(recovery.wait_for(longest), std::future_status::ready);
    ASSERT_EQ(pending.wait_for(longest), std::future_status::ready);
    EXPECT_FALSE(pending.get()) << "its reply never came";
    EXPECT_FALSE(recorder.contains("IOCTL_INTERNAL_USB_RESET_PORT while"));
    EXPECT_TRUE(camera->enabled()) << "the port was reset";
    EXPECT_EQ(bus->pendingRequests(), 0u);
    EXPECT_TRUE(query(15)) << "the command path works after the reset";
    EXPECT_EQ(buffers.commandBuffer[0], 3);
}

}  // namespace
