// Bulk and interrupt transfers: buffers and MDLs, asynchronous completion
// in submission order, NAKs, short IN transfers, refused URBs.
#include <gtest/gtest.h>

#include <atomic>

#include <kernel/host_kernel.h>

#include "usb_bus_test.h"

namespace usbtest {
namespace {

class BulkTransfer : public UsbBusTest {
  protected:
    void SetUp() override {
        UsbBusTest::SetUp();
        configure();
    }
};

TEST_F(BulkTransfer, OutFromABuffer) {
    std::uint8_t data[] = {1, 2, 3, 4, 5};
    URB urb = bulkUrb(pipe(0x01), data, nullptr, sizeof data, USBD_TRANSFER_DIRECTION_OUT);
    SentRequest sent(pdo(), &urb);
    EXPECT_EQ(sent.callStatus(), STATUS_PENDING);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbBulkOrInterruptTransfer.TransferBufferLength, sizeof data);
    EXPECT_EQ(sent.completionIrql(), DISPATCH_LEVEL);
    EXPECT_NE(sent.completionThread(), std::this_thread::get_id());
    ASSERT_EQ(device_->received(0x01).size(), 1U);
    EXPECT_EQ(device_->received(0x01)[0], Bytes(data, data + sizeof data));
}

TEST_F(BulkTransfer, OutAndInThroughMdls) {
    const ULONG tag = host::poolTag("Test");
    auto* out = static_cast<std::uint8_t*>(ExAllocatePoolWithTag(NonPagedPoolNx, 3000, tag));
    auto* in = static_cast<std::uint8_t*>(ExAllocatePoolWithTag(NonPagedPoolNx, 3000, tag));
    for (int i = 0; i < 3000; ++i) {
        out[i] = static_cast<std::uint8_t>(i * 7);
    }
    PMDL outMdl = IoAllocateMdl(out, 3000, FALSE, FALSE, nullptr);
    PMDL inMdl = IoAllocateMdl(in, 3000, FALSE, FALSE, nullptr);
    MmBuildMdlForNonPagedPool(outMdl);
    MmBuildMdlForNonPagedPool(inMdl);
    URB outUrb = bulkUrb(pipe(0x01), nullptr, outMdl, 3000, 0);
    URB inUrb = bulkUrb(pipe(0x82), nullptr, inMdl, 3000, USBD_TRANSFER_DIRECTION_IN);
    {
        SentRequest sentOut(pdo(), &outUrb);
        SentRequest sentIn(pdo(), &inUrb);
        device_->queueIn(0x82, Bytes(out, out + 3000));
        ASSERT_TRUE(sentIn.waitCompleted());
        ASSERT_TRUE(sentOut.waitCompleted());
        EXPECT_EQ(sentOut.status(), STATUS_SUCCESS);
        EXPECT_EQ(sentIn.status(), STATUS_SUCCESS);
    }
    EXPECT_EQ(device_->received(0x01).at(0), Bytes(out, out + 3000));
    EXPECT_EQ(0, std::memcmp(in, out, 3000));
    EXPECT_EQ(inUrb.UrbBulkOrInterruptTransfer.TransferBufferLength, 3000U);
    IoFreeMdl(outMdl);
    IoFreeMdl(inMdl);
    ExFreePoolWithTag(out, tag);
    ExFreePoolWithTag(in, tag);
}

TEST_F(BulkTransfer, InWaitsUntilTheDeviceHasData) {
    std::uint8_t data[4] = {};
    URB urb = bulkUrb(pipe(0x81), data, nullptr, sizeof data, USBD_TRANSFER_DIRECTION_IN);
    SentRequest sent(pdo(), &urb);
    EXPECT_EQ(sent.callStatus(), STATUS_PENDING);
    device_->signalReady();  // a wake-up with nothing to send changes nothing
    settle();
    EXPECT_FALSE(sent.completed());
    EXPECT_EQ(bus_->pendingRequests(), 1U);
    device_->queueIn(0x81, {9, 8, 7, 6});
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(Bytes(data, data + 4), (Bytes{9, 8, 7, 6}));
}

TEST_F(BulkTransfer, ShortInWithShortTransferOk) {
    std::uint8_t data[16] = {};
    URB urb = bulkUrb(pipe(0x81), data, nullptr, sizeof data,
                      USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK);
    SentRequest sent(pdo(), &urb);
    device_->queueIn(0x81, {1, 2, 3});
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbBulkOrInterruptTransfer.TransferBufferLength, 3U);
}

TEST_F(BulkTransfer, ShortInWithoutShortTransferOkFails) {
    std::uint8_t data[16] = {};
    URB urb = bulkUrb(pipe(0x81), data, nullptr, sizeof data, USBD_TRANSFER_DIRECTION_IN);
    SentRequest sent(pdo(), &urb);
    device_->queueIn(0x81, {1, 2, 3});
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_ERROR_SHORT_TRANSFER);
    EXPECT_EQ(urb.UrbBulkOrInterruptTransfer.TransferBufferLength, 3U);
}

TEST_F(BulkTransfer, CompletesInSubmissionOrderPerPipe) {
    constexpr int kCount = 8;
    std::uint8_t data[kCount][2] = {};
    std::vector<URB> urbs;
    for (int i = 0; i < kCount; ++i) {
        urbs.push_back(bulkUrb(pipe(0x82), data[i], nullptr, 2, USBD_TRANSFER_DIRECTION_IN));
    }
    std::vector<std::unique_ptr<SentRequest>> sent;
    for (URB& urb : urbs) {
        sent.push_back(std::make_unique<SentRequest>(pdo(), &urb));
    }
    for (int i = 0; i < kCount; ++i) {
        device_->queueIn(0x82, {static_cast<std::uint8_t>(i), 0xAA});
    }
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(sent[static_cast<std::size_t>(i)]->waitCompleted());
        EXPECT_EQ(data[i][0], i);
    }
}

TEST_F(BulkTransfer, PipesDoNotWaitForEachOther) {
    std::uint8_t waiting[4];
    URB stuck = bulkUrb(pipe(0x81), waiting, nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    SentRequest blocked(pdo(), &stuck);
    std::uint8_t data[2] = {5, 6};
    URB out = bulkUrb(pipe(0x01), data, nullptr, 2, 0);
    SentRequest sent(pdo(), &out);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_FALSE(blocked.completed());
    device_->queueIn(0x81, {1, 2, 3, 4});
}

TEST_F(BulkTransfer, NakedOutIsRetriedWhenTheDeviceIsReady) {
    device_->nakOut(0x01, true);
    std::uint8_t data[] = {1};
    URB urb = bulkUrb(pipe(0x01), data, nullptr, 1, 0);
    SentRequest sent(pdo(), &urb);
    settle();
    EXPECT_FALSE(sent.completed());
    device_->nakOut(0x01, false);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
}

TEST_F(BulkTransfer, DirectionComesFromThePipe) {
    std::uint8_t data[] = {1, 2};
    URB urb = bulkUrb(pipe(0x01), data, nullptr, 2, USBD_TRANSFER_DIRECTION_IN);
    SentRequest sent(pdo(), &urb);
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbBulkOrInterruptTransfer.TransferFlags & USBD_TRANSFER_DIRECTION_IN, 0U);
    EXPECT_EQ(device_->received(0x01).size(), 1U);
}

TEST_F(BulkTransfer, InterruptPipe) {
    std::uint8_t data[8];
    URB urb =
        bulkUrb(pipe(0x83), data, nullptr, 8, USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK);
    SentRequest sent(pdo(), &urb);
    device_->queueIn(0x83, {0x42});
    ASSERT_TRUE(sent.waitCompleted());
    EXPECT_EQ(sent.status(), STATUS_SUCCESS);
    EXPECT_EQ(data[0], 0x42);
}

TEST_F(BulkTransfer, OnlyTheBusThreadCallsTheDevice) {
    std::uint8_t data[] = {1};
    URB urb = bulkUrb(pipe(0x01), data, nullptr, 1, 0);
    {
        SentRequest sent(pdo(), &urb);
        ASSERT_TRUE(sent.waitCompleted());
    }
    const auto threads = device_->callingThreads();
    EXPECT_EQ(threads.size(), 1U);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0U);
}

TEST_F(BulkTransfer, InvalidPipeHandleIsRefusedAtOnce) {
    std::uint8_t data[] = {1};
    URB urb = bulkUrb(reinterpret_cast<USBD_PIPE_HANDLE>(0x1234), data, nullptr, 1, 0);
    SentRequest sent(pdo(), &urb);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(sent.completed());
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_INVALID_PIPE_HANDLE);
}

TEST_F(BulkTransfer, WrongUrbLengthIsRefusedAtOnce) {
    std::uint8_t data[] = {1};
    URB urb = bulkUrb(pipe(0x01), data, nullptr, 1, 0);
    urb.UrbHeader.Length = sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER) - 8;
    SentRequest sent(pdo(), &urb);
    EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_INVALID_PARAMETER);
}

TEST_F(BulkTransfer, MdlShorterThanTheTransferIsRefused) {
    std::uint8_t buffer[16];
    PMDL mdl = IoAllocateMdl(buffer, 8, FALSE, FALSE, nullptr);
    MmBuildMdlForNonPagedPool(mdl);
    URB urb = bulkUrb(pipe(0x01), nullptr, mdl, 16, 0);
    {
        SentRequest sent(pdo(), &urb);
        EXPECT_EQ(sent.callStatus(), STATUS_INVALID_PARAMETER);
    }
    IoFreeMdl(mdl);
}

TEST_F(BulkTransfer, UnknownAndUncarriedFunctions) {
    URB unknown{};
    unknown.UrbHeader.Length = sizeof(URB);
    unknown.UrbHeader.Function = 0x00FF;
    SentRequest first(pdo(), &unknown);
    EXPECT_EQ(first.callStatus(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(unknown.UrbHeader.Status, USBD_STATUS_INVALID_URB_FUNCTION);

    URB control{};
    control.UrbHeader.Length = sizeof(struct _URB_CONTROL_TRANSFER);
    control.UrbHeader.Function = URB_FUNCTION_CONTROL_TRANSFER;
    SentRequest second(pdo(), &control);
    EXPECT_EQ(second.callStatus(), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(control.UrbHeader.Status, USBD_STATUS_NOT_SUPPORTED);
}

// A driver's read loop: each completion routine sends the IRP down again,
// on the bus thread, from inside the bus's completion.
struct ReadLoop {
    PDEVICE_OBJECT bus = nullptr;
    USBD_PIPE_HANDLE pipe = nullptr;
    PIRP irp = nullptr;
    URB urb{};
    std::uint8_t data[1] = {};
    std::atomic<int> completions{0};
    std::atomic<bool> done{false};

    void send() {
        urb = bulkUrb(pipe, data, nullptr, 1, USBD_TRANSFER_DIRECTION_IN);
        PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
        next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
        next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
        next->Parameters.Others.Argument1 = &urb;
        IoSetCompletionRoutine(irp, &ReadLoop::completed, this, TRUE, TRUE, TRUE);
        IoCallDriver(bus, irp);
    }

    static NTSTATUS NTAPI completed(PDEVICE_OBJECT, PIRP irp, PVOID context) {
        auto* self = static_cast<ReadLoop*>(context);
        if (++self->completions < 3) {
            IoReuseIrp(irp, STATUS_SUCCESS);
            self->send();
        } else {
            self->done = true;
        }
        return STATUS_MORE_PROCESSING_REQUIRED;
    }
};

TEST_F(BulkTransfer, CompletionRoutineMaySendTheNextTransfer) {
    ReadLoop loop;
    loop.bus = pdo();
    loop.pipe = pipe(0x81);
    loop.irp = IoAllocateIrp(pdo()->StackSize, FALSE);
    loop.send();
    for (int i = 0; i < 3; ++i) {
        device_->queueIn(0x81, {static_cast<std::uint8_t>(i)});
    }
    EXPECT_TRUE(eventually([&] { return loop.done.load(); }));
    EXPECT_EQ(loop.completions.load(), 3);
    EXPECT_EQ(loop.data[0], 2);
    IoFreeIrp(loop.irp);
}

}  // namespace
}  // namespace usbtest
