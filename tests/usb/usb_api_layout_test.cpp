// The driver-visible USB declarations keep the Windows x64 layouts: the
// sizes and offsets below are those of the DDK headers (LLP64, natural
// alignment for URBs, byte packing for descriptors).
#include <gtest/gtest.h>

#include <cstddef>

#include <usb/usb_api.h>

namespace {

static_assert(sizeof(USB_DEVICE_DESCRIPTOR) == 18);
static_assert(sizeof(USB_CONFIGURATION_DESCRIPTOR) == 9);
static_assert(sizeof(USB_INTERFACE_DESCRIPTOR) == 9);
static_assert(sizeof(USB_ENDPOINT_DESCRIPTOR) == 7);
static_assert(offsetof(USB_ENDPOINT_DESCRIPTOR, wMaxPacketSize) == 4);

static_assert(sizeof(struct _URB_HEADER) == 24);
static_assert(offsetof(struct _URB_HEADER, UsbdDeviceHandle) == 8);
static_assert(sizeof(USBD_PIPE_INFORMATION) == 24);
static_assert(offsetof(USBD_PIPE_INFORMATION, PipeHandle) == 8);
static_assert(sizeof(USBD_INTERFACE_INFORMATION) == 48);
static_assert(offsetof(USBD_INTERFACE_INFORMATION, Pipes) == 24);
static_assert(sizeof(struct _URB_SELECT_CONFIGURATION) == 88);
static_assert(offsetof(struct _URB_SELECT_CONFIGURATION, Interface) == 40);
static_assert(sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER) == 128);
static_assert(offsetof(struct _URB_BULK_OR_INTERRUPT_TRANSFER, TransferBuffer) == 40);
static_assert(sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST) == 136);
static_assert(offsetof(struct _URB_CONTROL_DESCRIPTOR_REQUEST, DescriptorType) == 131);
static_assert(sizeof(struct _URB_PIPE_REQUEST) == 40);
static_assert(sizeof(URB) == 152);

static_assert(IOCTL_INTERNAL_USB_SUBMIT_URB == 0x00220003);
static_assert(IOCTL_INTERNAL_USB_RESET_PORT == 0x00220007);
static_assert(IOCTL_INTERNAL_USB_GET_PORT_STATUS == 0x00220013);

TEST(UsbApiLayout, MacrosComputeWindowsSizes) {
    EXPECT_EQ(GET_SELECT_CONFIGURATION_REQUEST_SIZE(1, 2), 112U);
    EXPECT_EQ(GET_USBD_INTERFACE_SIZE(4), 120U);
    EXPECT_TRUE(USBD_HALTED(USBD_STATUS_STALL_PID));
    EXPECT_FALSE(USBD_HALTED(USBD_STATUS_INVALID_PIPE_HANDLE));
    EXPECT_TRUE(USBD_PENDING(USBD_STATUS_PENDING));
    EXPECT_TRUE(USBD_ERROR(USBD_STATUS_CANCELED));
}

}  // namespace
