// A reply packet that arrives short fails the query at once: the second
// reply is never asked for. Uses the bus tests' scriptable device, whose
// first three endpoints stand in for the command, reply and frame pipes.
#include <gtest/gtest.h>

#include <usb/usb_bus.h>

#include "support/ledger_test.h"
#include "usb/command_packets.h"
#include "usb/device_configuration.h"
#include "usb/fake_usb_device.h"
#include "usb/packet_transfer.h"

namespace {

class ShortReplyTest : public LedgerTest {};

TEST_F(ShortReplyTest, AShortFirstReplyEndsTheQuery) {
    usbtest::FakeUsbDevice device;
    UsbTransport transport{};
    CommandBuffers buffers{};
    {
        host::usb::UsbBus bus(device);
        InitializeUsbTransport(&transport, bus.deviceObject(), bus.deviceObject(), nullptr);
        InitializeCommandBuffers(&buffers);
        ASSERT_EQ(ConfigureDevice(&transport), STATUS_SUCCESS);
        const UCHAR replyEndpoint = transport.interfaceInfo->Pipes[kReplyPipe].EndpointAddress;

        device.queueIn(replyEndpoint, usbtest::Bytes(10, 0x11));
        device.queueIn(replyEndpoint, usbtest::Bytes(64, 0x22));
        BuildGetParameter(buffers.commandBuffer, 15);
        EXPECT_FALSE(QueryPacket(&transport, &buffers));
        EXPECT_EQ(device.attempts(replyEndpoint), 1);
        EXPECT_EQ(
            device.received(transport.interfaceInfo->Pipes[kCommandPipe].EndpointAddress).size(),
            1u);
        UnconfigureDevice(&transport);
    }
}

}  // namespace
