// GET_DESCRIPTOR_FROM_DEVICE through the bus, with a buffer or an MDL.
#include <gtest/gtest.h>

#include <kernel/host_kernel.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class DescriptorRequest : public UsbBusTest {};

TEST_F(DescriptorRequest, ReadsTheDeviceDescriptor) {
    USB_DEVICE_DESCRIPTOR descriptor{};
    URB urb = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptor, sizeof descriptor);
    SentRequest sent(pdo(), &urb);
    EXPECT_EQ(sent.callStatus(), STATUS_PENDING);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbControlDescriptorRequest.TransferBufferLength, sizeof descriptor);
    EXPECT_EQ(descriptor.bLength, 18);
    EXPECT_EQ(descriptor.idVendor, 0x1234);
    EXPECT_EQ(descriptor.idProduct, 0x5678);
}

TEST_F(DescriptorRequest, ShortAnswerIsNotAnError) {
    std::uint8_t buffer[255] = {};
    URB urb = descriptorUrb(USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, buffer, sizeof buffer);
    SentRequest sent(pdo(), &urb);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbControlDescriptorRequest.TransferBufferLength, configuration_.size());
    EXPECT_EQ(0, std::memcmp(buffer, configuration_.data(), configuration_.size()));
}

TEST_F(DescriptorRequest, ThroughAnMdl) {
    auto* buffer =
        static_cast<std::uint8_t*>(ExAllocatePoolWithTag(NonPagedPoolNx, 9, host::poolTag("Test")));
    ASSERT_NE(buffer, nullptr);
    PMDL mdl = IoAllocateMdl(buffer, 9, FALSE, FALSE, nullptr);
    ASSERT_NE(mdl, nullptr);
    MmBuildMdlForNonPagedPool(mdl);
    URB urb = descriptorUrb(USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, nullptr, 9);
    urb.UrbControlDescriptorRequest.TransferBufferMDL = mdl;
    {
        SentRequest sent(pdo(), &urb);
        ASSERT_TRUE(sent.waitCompleted());
        EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    }
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(buffer[1], USB_CONFIGURATION_DESCRIPTOR_TYPE);
    EXPECT_EQ(buffer[2] | buffer[3] << 8, static_cast<int>(configuration_.size()));
    IoFreeMdl(mdl);
    ExFreePoolWithTag(buffer, host::poolTag("Test"));
}

TEST_F(DescriptorRequest, DescriptorTheDeviceDoesNotHaveStalls) {
    std::uint8_t buffer[64];
    URB urb = descriptorUrb(USB_STRING_DESCRIPTOR_TYPE, 1, buffer, sizeof buffer);
    SentRequest sent(pdo(), &urb);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_STALL_PID);
    EXPECT_EQ(urb.UrbControlDescriptorRequest.TransferBufferLength, 0U);
}

TEST_F(DescriptorRequest, WrongUrbLengthIsRefusedAtOnce) {
    USB_DEVICE_DESCRIPTOR descriptor{};
    URB urb = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptor, sizeof descriptor);
    urb.UrbHeader.Length = sizeof(URB);
    SentRequest sent(pdo(), &urb);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(sent.completed());
    EXPECT_EQ(sent.status(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_INVALID_PARAMETER);
}

TEST_F(DescriptorRequest, MissingBufferIsRefusedAtOnce) {
    URB urb = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, nullptr, 18);
    SentRequest sent(pdo(), &urb);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_INVALID_PARAMETER);
}

}  // namespace
}  // namespace usbtest
