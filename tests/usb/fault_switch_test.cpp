// The bus's fault switches: refusing a submission at the door, failing
// the device-descriptor request on the wire.
#include <gtest/gtest.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class FaultSwitch : public UsbBusTest {};

TEST_F(FaultSwitch, RefusesTheNthSubmission) {
    bus_->faults().refuseSubmission(2);
    USB_DEVICE_DESCRIPTOR descriptors[3];
    URB urbs[3];
    std::vector<std::unique_ptr<SentRequest>> sent;
    for (int i = 0; i < 3; ++i) {
        urbs[i] =
            descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptors[i], sizeof descriptors[i]);
        sent.push_back(std::make_unique<SentRequest>(pdo(), &urbs[i]));
    }
    EXPECT_EQ(sent[0]->callStatus(), STATUS_PENDING);
    EXPECT_EQ(sent[1]->callStatus(), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_TRUE(sent[1]->completed());
    EXPECT_EQ(sent[1]->status(), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_FALSE(sent[1]->pendingReturned());
    EXPECT_EQ(urbs[1].UrbHeader.Status, USBD_STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(sent[2]->callStatus(), STATUS_PENDING);
    for (int i : {0, 2}) {
        ASSERT_TRUE(sent[static_cast<std::size_t>(i)]->waitCompleted());
        EXPECT_EQ(sent[static_cast<std::size_t>(i)]->status(), STATUS_SUCCESS);
    }
}

TEST_F(FaultSwitch, RefusalCanWaitForAFunction) {
    configure();
    bus_->faults().refuseSubmission(1, STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE,
                                    URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER);
    USB_DEVICE_DESCRIPTOR descriptor;
    URB get = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptor, sizeof descriptor);
    SentRequest control(pdo(), &get);
    EXPECT_EQ(control.callStatus(), STATUS_PENDING);
    std::uint8_t data[] = {1};
    URB out = bulkUrb(pipe(0x01), data, nullptr, 1, 0);
    SentRequest refused(pdo(), &out);
    EXPECT_EQ(refused.callStatus(), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(out.UrbHeader.Status, USBD_STATUS_DEVICE_GONE);
    SentRequest again(pdo(), &out);
    EXPECT_EQ(again.callStatus(), STATUS_PENDING);
}

TEST_F(FaultSwitch, FailsTheDeviceDescriptorRequest) {
    bus_->faults().failDeviceDescriptorRequests(true);
    USB_DEVICE_DESCRIPTOR descriptor{};
    URB get = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptor, sizeof descriptor);
    {
        SentRequest sent(pdo(), &get);
        ASSERT_TRUE(sent.waitCompleted());
        EXPECT_EQ(sent.status(), STATUS_UNSUCCESSFUL);
        EXPECT_EQ(get.UrbHeader.Status, USBD_STATUS_DEV_NOT_RESPONDING);
        EXPECT_EQ(get.UrbControlDescriptorRequest.TransferBufferLength, 0U);
    }
    std::uint8_t configuration[9];
    URB other = descriptorUrb(USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, configuration, 9);
    {
        SentRequest sent(pdo(), &other);
        ASSERT_TRUE(sent.waitCompleted());
        EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    }
    bus_->faults().failDeviceDescriptorRequests(false);
    get = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptor, sizeof descriptor);
    SentRequest sent(pdo(), &get);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
}

}  // namespace
}  // namespace usbtest
