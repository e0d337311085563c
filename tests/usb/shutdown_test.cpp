// Tearing the bus down under a driver that still has requests in it.
#include <gtest/gtest.h>

#include <kernel/host_kernel.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class Shutdown : public UsbBusTest {};

TEST_F(Shutdown, CancelsWhatIsPendingAndLeavesNothingBehind) {
    configure();
    std::uint8_t data[2][4];
    URB in = bulkUrb(pipe(0x81), data[0], nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    URB other = bulkUrb(pipe(0x82), data[1], nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    SentRequest first(pdo(), &in);
    SentRequest second(pdo(), &other);
    EXPECT_TRUE(device_->hasReadyCallback());
    bus_.reset();
    ASSERT_TRUE(first.completed());
    ASSERT_TRUE(second.completed());
    EXPECT_EQ(first.status(), STATUS_CANCELLED);
    EXPECT_EQ(in.UrbHeader.Status, USBD_STATUS_CANCELED);
    EXPECT_EQ(second.status(), STATUS_CANCELLED);
    EXPECT_FALSE(device_->hasReadyCallback());
}

TEST_F(Shutdown, IdleBusLeavesThePoolBalanced) {
    const std::size_t before = host::poolLedger().liveBlocks();
    EXPECT_GE(before, 1U);  // the device object
    bus_.reset();
    EXPECT_EQ(host::poolLedger().liveBlocks(), 0U);
}

TEST_F(Shutdown, ManyBusesInARow) {
    bus_.reset();
    for (int i = 0; i < 20; ++i) {
        host::usb::UsbBus bus(*device_);
        USB_DEVICE_DESCRIPTOR descriptor;
        URB get = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptor, sizeof descriptor);
        SentRequest sent(bus.deviceObject(), &get);
        ASSERT_TRUE(sent.waitCompleted());
    }
}

}  // namespace
}  // namespace usbtest
