// ABORT_PIPE and IoCancelIrp on transfers the bus holds: cancelled
// transfers complete with STATUS_CANCELLED and USBD_STATUS_CANCELED, on the
// cancelling thread when that thread found them waiting.
#include <gtest/gtest.h>

#include <thread>

#include <kernel/host_kernel.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class AbortAndCancel : public UsbBusTest {
  protected:
    void SetUp() override {
        UsbBusTest::SetUp();
        configure();
    }
};

TEST_F(AbortAndCancel, AbortPipeCancelsItsTransfers) {
    std::uint8_t data[3][4];
    URB urbs[3];
    std::vector<std::unique_ptr<SentRequest>> sent;
    for (int i = 0; i < 3; ++i) {
        urbs[i] = bulkUrb(pipe(0x81), data[i], nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
        sent.push_back(std::make_unique<SentRequest>(pdo(), &urbs[i]));
    }
    std::uint8_t other[4];
    URB otherUrb = bulkUrb(pipe(0x82), other, nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    SentRequest untouched(pdo(), &otherUrb);

    URB abort = pipeRequestUrb(URB_FUNCTION_ABORT_PIPE, pipe(0x81));
    {
        SentRequest aborting(pdo(), &abort);
        ASSERT_TRUE(aborting.waitCompleted());
        EXPECT_EQ(aborting.status(), STATUS_SUCCESS);
        EXPECT_EQ(abort.UrbHeader.Status, USBD_STATUS_SUCCESS);
    }
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(sent[static_cast<std::size_t>(i)]->completed());
        EXPECT_EQ(sent[static_cast<std::size_t>(i)]->status(), STATUS_CANCELLED);
        EXPECT_EQ(urbs[i].UrbHeader.Status, USBD_STATUS_CANCELED);
        EXPECT_EQ(urbs[i].UrbBulkOrInterruptTransfer.TransferBufferLength, 0U);
    }
    settle();
    EXPECT_FALSE(untouched.completed());
    device_->queueIn(0x82, {1, 2, 3, 4});
    ASSERT_TRUE(untouched.waitCompleted());
    EXPECT_EQ(untouched.status(), STATUS_SUCCESS);
}

TEST_F(AbortAndCancel, PipeWorksAfterAnAbort) {
    URB abort = pipeRequestUrb(URB_FUNCTION_ABORT_PIPE, pipe(0x81));
    {
        SentRequest aborting(pdo(), &abort);
        ASSERT_TRUE(aborting.waitCompleted());
    }
    std::uint8_t data[2];
    URB urb = bulkUrb(pipe(0x81), data, nullptr, 2, USBD_TRANSFER_DIRECTION_IN);
    SentRequest sent(pdo(), &urb);
    device_->queueIn(0x81, {1, 2});
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
}

TEST_F(AbortAndCancel, CancelCompletesOnTheCancellingThread) {
    std::uint8_t data[4];
    URB urb = bulkUrb(pipe(0x81), data, nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    SentRequest sent(pdo(), &urb);
    // Once the bus has tried it and been NAKed, it waits in its queue.
    ASSERT_TRUE(eventually([&] { return device_->attempts(0x81) >= 1; }));
    settle();
    EXPECT_TRUE(sent.cancel());
    ASSERT_TRUE(sent.completed());
    EXPECT_EQ(sent.status(), STATUS_CANCELLED);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_CANCELED);
    EXPECT_EQ(sent.completionThread(), std::this_thread::get_id());
    EXPECT_EQ(bus_->pendingRequests(), 0U);
}

TEST_F(AbortAndCancel, NextTransferRunsAfterACancelledOne) {
    std::uint8_t first[2];
    std::uint8_t second[2];
    URB firstUrb = bulkUrb(pipe(0x81), first, nullptr, 2, USBD_TRANSFER_DIRECTION_IN);
    URB secondUrb = bulkUrb(pipe(0x81), second, nullptr, 2, USBD_TRANSFER_DIRECTION_IN);
    SentRequest cancelled(pdo(), &firstUrb);
    SentRequest next(pdo(), &secondUrb);
    // The bus may be attempting the transfer right now, with its cancel
    // routine taken back: IoCancelIrp then says FALSE, and the transfer ends
    // cancelled at its next NAK instead. Either way it ends cancelled.
    cancelled.cancel();
    ASSERT_TRUE(cancelled.waitCompleted());
    device_->queueIn(0x81, {7, 8});
    ASSERT_TRUE(next.waitCompleted());
    EXPECT_EQ(next.status(), STATUS_SUCCESS);
    EXPECT_EQ(second[1], 8);
    EXPECT_EQ(cancelled.status(), STATUS_CANCELLED);
}

TEST_F(AbortAndCancel, CancelledBeforeItReachesTheBus) {
    std::uint8_t data[2];
    URB urb = bulkUrb(pipe(0x81), data, nullptr, 2, USBD_TRANSFER_DIRECTION_IN);
    PIRP irp = IoAllocateIrp(pdo()->StackSize, FALSE);
    EXPECT_FALSE(IoCancelIrp(irp));  // no cancel routine yet: only marked
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
    next->Parameters.Others.Argument1 = &urb;
    NTSTATUS completedWith = STATUS_PENDING;
    IoSetCompletionRoutine(
        irp,
        [](PDEVICE_OBJECT, PIRP done, PVOID context) NTAPI -> NTSTATUS {
            *static_cast<NTSTATUS*>(context) = done->IoStatus.Status;
            return STATUS_MORE_PROCESSING_REQUIRED;
        },
        &completedWith, TRUE, TRUE, TRUE);
    EXPECT_EQ(IoCallDriver(pdo(), irp), STATUS_PENDING);
    EXPECT_EQ(completedWith, STATUS_CANCELLED);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_CANCELED);
    IoFreeIrp(irp);
}

TEST_F(AbortAndCancel, CancelRacingCompletionCompletesOnce) {
    for (int round = 0; round < 200; ++round) {
        std::uint8_t data[1];
        URB urb = bulkUrb(pipe(0x81), data, nullptr, 1, USBD_TRANSFER_DIRECTION_IN);
        SentRequest sent(pdo(), &urb);
        std::thread feeder([&] { device_->queueIn(0x81, {static_cast<std::uint8_t>(round)}); });
        sent.cancel();
        feeder.join();
        ASSERT_TRUE(sent.waitCompleted());
        const NTSTATUS status = sent.status();
        ASSERT_TRUE(status == STATUS_SUCCESS || status == STATUS_CANCELLED) << status;
        if (status == STATUS_CANCELLED) {
            // The data stays queued; take it so the next round starts empty.
            std::uint8_t drain[1];
            URB drainUrb = bulkUrb(pipe(0x81), drain, nullptr, 1, USBD_TRANSFER_DIRECTION_IN);
            SentRequest draining(pdo(), &drainUrb);
            ASSERT_TRUE(draining.waitCompleted());
            EXPECT_EQ(drain[0], static_cast<std::uint8_t>(round));
        } else {
            EXPECT_EQ(data[0], static_cast<std::uint8_t>(round));
        }
    }
    EXPECT_EQ(bus_->pendingRequests(), 0U);
}

}  // namespace
}  // namespace usbtest
