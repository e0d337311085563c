// An unplugged device: whatever waits for it and whatever is sent to it
// fails with STATUS_DEVICE_NOT_CONNECTED / USBD_STATUS_DEVICE_GONE.
#include <gtest/gtest.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class Disconnect : public UsbBusTest {
  protected:
    void SetUp() override {
        UsbBusTest::SetUp();
        configure();
    }
};

TEST_F(Disconnect, WaitingTransfersFail) {
    std::uint8_t data[4];
    URB in = bulkUrb(pipe(0x81), data, nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    SentRequest waiting(pdo(), &in);
    settle();
    device_->unplug();
    ASSERT_TRUE(waiting.waitCompleted());
    EXPECT_EQ(waiting.status(), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(in.UrbHeader.Status, USBD_STATUS_DEVICE_GONE);
    EXPECT_EQ(in.UrbBulkOrInterruptTransfer.TransferBufferLength, 0U);
}

TEST_F(Disconnect, NewRequestsFail) {
    device_->unplug();
    std::uint8_t data[] = {1};
    URB out = bulkUrb(pipe(0x01), data, nullptr, 1, 0);
    SentRequest transfer(pdo(), &out);
    USB_DEVICE_DESCRIPTOR descriptor;
    URB get = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptor, sizeof descriptor);
    SentRequest control(pdo(), &get);
    URB reset = pipeRequestUrb(URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL, pipe(0x81));
    SentRequest resetting(pdo(), &reset);
    for (SentRequest* sent : {&transfer, &control, &resetting}) {
        ASSERT_TRUE(sent->waitCompleted());
        EXPECT_EQ(sent->status(), STATUS_DEVICE_NOT_CONNECTED);
    }
    EXPECT_EQ(out.UrbHeader.Status, USBD_STATUS_DEVICE_GONE);
    EXPECT_EQ(get.UrbHeader.Status, USBD_STATUS_DEVICE_GONE);
    EXPECT_EQ(reset.UrbHeader.Status, USBD_STATUS_DEVICE_GONE);
    EXPECT_TRUE(device_->received(0x01).empty());
}

TEST_F(Disconnect, AbortStillCompletes) {
    device_->unplug();
    URB abort = pipeRequestUrb(URB_FUNCTION_ABORT_PIPE, pipe(0x81));
    SentRequest sent(pdo(), &abort);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
}

}  // namespace
}  // namespace usbtest
