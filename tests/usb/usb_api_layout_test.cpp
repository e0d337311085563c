// The driver-visible USB macros compute the sizes and codes the DDK's do.
// (The structures' sizes and offsets and the constants are checked at
// build time against the DDK: host/usb/usb_layout_expectations.h.)
#include <gtest/gtest.h>

#include <usb/usb_api.h>

namespace {

TEST(UsbApiLayout, MacrosComputeWindowsSizes) {
    EXPECT_EQ(GET_SELECT_CONFIGURATION_REQUEST_SIZE(1, 2), 112U);
    EXPECT_EQ(GET_USBD_INTERFACE_SIZE(4), 120U);
    EXPECT_TRUE(USBD_HALTED(USBD_STATUS_STALL_PID));
    EXPECT_FALSE(USBD_HALTED(USBD_STATUS_INVALID_PIPE_HANDLE));
    EXPECT_TRUE(USBD_PENDING(USBD_STATUS_PENDING));
    EXPECT_TRUE(USBD_ERROR(USBD_STATUS_CANCELED));
}

}  // namespace
