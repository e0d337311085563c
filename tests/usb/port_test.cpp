// The port's internal device controls: status and reset, and the
// controls and requests the bus does not know.
#include <gtest/gtest.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class Port : public UsbBusTest {
  protected:
    ULONG portStatus() {
        ULONG status = 0xFFFFFFFF;
        SentRequest sent(pdo(), IOCTL_INTERNAL_USB_GET_PORT_STATUS, &status);
        EXPECT_TRUE(sent.waitCompleted());
        EXPECT_EQ(sent.status(), STATUS_SUCCESS);
        return status;
    }
};

TEST_F(Port, StatusOfAConnectedDevice) {
    EXPECT_EQ(portStatus(), static_cast<ULONG>(USBD_PORT_CONNECTED | USBD_PORT_ENABLED));
}

TEST_F(Port, StatusOfAnUnpluggedDevice) {
    device_->unplug();
    EXPECT_EQ(portStatus(), 0U);
}

TEST_F(Port, StatusNeedsSomewhereToPutIt) {
    SentRequest sent(pdo(), IOCTL_INTERNAL_USB_GET_PORT_STATUS, nullptr);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(sent.status(), STATUS_INVALID_PARAMETER);
}

TEST_F(Port, ResetRestoresTheConfigurationAndKeepsThePipes) {
    configure();
    device_->stall(0x81);
    {
        SentRequest sent(pdo(), IOCTL_INTERNAL_USB_RESET_PORT, nullptr);
        EXPECT_EQ(sent.callStatus(), STATUS_PENDING);
        ASSERT_TRUE(sent.waitCompleted());
        EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    }
    EXPECT_EQ(device_->resetCount(), 1);
    EXPECT_EQ(device_->configurationValue(), 1);
    EXPECT_EQ(device_->setConfigurationCount(), 2);
    std::uint8_t data[2];
    URB urb = bulkUrb(pipe(0x81), data, nullptr, 2, USBD_TRANSFER_DIRECTION_IN);
    SentRequest sent(pdo(), &urb);
    device_->queueIn(0x81, {1, 2});
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
}

TEST_F(Port, ResetOfAnUnpluggedDeviceFails) {
    device_->unplug();
    SentRequest sent(pdo(), IOCTL_INTERNAL_USB_RESET_PORT, nullptr);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(device_->resetCount(), 0);
}

TEST_F(Port, UnknownInternalControlIsInvalid) {
    SentRequest sent(pdo(), IOCTL_INTERNAL_USB_CYCLE_PORT, nullptr);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_DEVICE_REQUEST);
}

TEST_F(Port, SubmitWithoutAUrbIsInvalid) {
    SentRequest sent(pdo(), IOCTL_INTERNAL_USB_SUBMIT_URB, nullptr);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
}

}  // namespace
}  // namespace usbtest
