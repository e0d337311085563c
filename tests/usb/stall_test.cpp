// A stalled endpoint: the transfer fails, the pipe stays halted (later
// transfers wait) until SYNC_RESET_PIPE_AND_CLEAR_STALL clears both sides.
#include <gtest/gtest.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class Stall : public UsbBusTest {
  protected:
    void SetUp() override {
        UsbBusTest::SetUp();
        configure();
    }
};

TEST_F(Stall, HaltsThePipeUntilItIsReset) {
    device_->stall(0x81);
    std::uint8_t first[4];
    URB stalled = bulkUrb(pipe(0x81), first, nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    SentRequest failed(pdo(), &stalled);
    ASSERT_TRUE(failed.waitCompleted());
    EXPECT_EQ(failed.status(), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(stalled.UrbHeader.Status, USBD_STATUS_STALL_PID);
    EXPECT_TRUE(USBD_HALTED(stalled.UrbHeader.Status));
    EXPECT_EQ(stalled.UrbBulkOrInterruptTransfer.TransferBufferLength, 0U);

    std::uint8_t second[4];
    URB waiting = bulkUrb(pipe(0x81), second, nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    SentRequest queued(pdo(), &waiting);
    device_->queueIn(0x81, {1, 2, 3, 4});
    settle();
    EXPECT_FALSE(queued.completed());

    URB reset = pipeRequestUrb(URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL, pipe(0x81));
    {
        SentRequest resetting(pdo(), &reset);
        ASSERT_TRUE(resetting.waitCompleted());
        EXPECT_EQ(resetting.status(), STATUS_SUCCESS);
        EXPECT_EQ(reset.UrbHeader.Status, USBD_STATUS_SUCCESS);
    }
    EXPECT_EQ(device_->clearHaltCount(), 1);
    EXPECT_FALSE(device_->halted(0x81));
    ASSERT_TRUE(queued.waitCompleted());
    EXPECT_EQ(queued.status(), STATUS_SUCCESS);
    EXPECT_EQ(second[3], 4);
}

TEST_F(Stall, OtherPipesKeepRunning) {
    device_->stall(0x81);
    std::uint8_t data[4];
    URB stalled = bulkUrb(pipe(0x81), data, nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    SentRequest failed(pdo(), &stalled);
    ASSERT_TRUE(failed.waitCompleted());
    std::uint8_t out[] = {1};
    URB other = bulkUrb(pipe(0x01), out, nullptr, 1, 0);
    SentRequest sent(pdo(), &other);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
}

TEST_F(Stall, ResetOfAnUnknownPipeIsRefused) {
    URB reset = pipeRequestUrb(URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL,
                               reinterpret_cast<USBD_PIPE_HANDLE>(0x10));
    SentRequest sent(pdo(), &reset);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(reset.UrbHeader.Status, USBD_STATUS_INVALID_PIPE_HANDLE);
}

TEST_F(Stall, PipeRequestWithWrongLengthIsRefused) {
    URB reset = pipeRequestUrb(URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL, pipe(0x81));
    reset.UrbHeader.Length = sizeof(struct _URB_HEADER);
    SentRequest sent(pdo(), &reset);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(reset.UrbHeader.Status, USBD_STATUS_INVALID_PARAMETER);
}

}  // namespace
}  // namespace usbtest
