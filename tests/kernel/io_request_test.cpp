// Requests built by IoBuildDeviceIoControlRequest, sent to a lower driver
// that completes at once or later from its own thread: the caller's
// IO_STATUS_BLOCK and event, the buffered output copied back, and the IRP
// and its buffers freed by the completion itself.
#include <kernel/host_kernel.h>

#include <memory>

#include "support/ledger_test.h"
#include "toy_driver.h"

namespace {

constexpr ULONG kBufferedCode =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG kNeitherCode =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_NEITHER, FILE_ANY_ACCESS);
constexpr ULONG kOutDirectCode =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x802, METHOD_OUT_DIRECT, FILE_ANY_ACCESS);

class IoRequestTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        lower_ = std::make_unique<ToyDriver>();
        KeInitializeEvent(&event_, NotificationEvent, FALSE);
        status_.Status = STATUS_UNSUCCESSFUL;
        status_.Information = 0;
    }
    void TearDown() override {
        lower_.reset();
        LedgerTest::TearDown();
    }

    PIRP build(ULONG code, PVOID input, ULONG inputLength, PVOID output, ULONG outputLength) {
        return IoBuildDeviceIoControlRequest(code, lower_->device(), input, inputLength, output,
                                             outputLength, TRUE, &event_, &status_);
    }

    // The driver's synchronous-call idiom: wait only when the call pends.
    NTSTATUS callAndWait(PIRP irp) {
        NTSTATUS status = IoCallDriver(lower_->device(), irp);
        if (status == STATUS_PENDING) {
            KeWaitForSingleObject(&event_, Executive, KernelMode, FALSE, nullptr);
            status = status_.Status;
        }
        return status;
    }

    std::unique_ptr<ToyDriver> lower_;
    KEVENT event_;
    IO_STATUS_BLOCK status_;
};

TEST_F(IoRequestTest, BuiltRequestCarriesTheControlCodeAndTheCallersBuffers) {
    int urb = 0;
    PIRP irp = build(kNeitherCode, &urb, sizeof(urb), nullptr, 0);
    ASSERT_NE(irp, nullptr);
    EXPECT_EQ(host::liveIrps(), 1U);
    EXPECT_EQ(irp->StackCount, lower_->device()->StackSize);
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    EXPECT_EQ(next->MajorFunction, IRP_MJ_INTERNAL_DEVICE_CONTROL);
    EXPECT_EQ(next->Parameters.DeviceIoControl.IoControlCode, kNeitherCode);
    EXPECT_EQ(next->Parameters.DeviceIoControl.Type3InputBuffer, &urb);
    EXPECT_EQ(irp->UserIosb, &status_);
    EXPECT_EQ(irp->UserEvent, &event_);

    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce, STATUS_SUCCESS, 7);
    EXPECT_EQ(callAndWait(irp), STATUS_SUCCESS);
}

TEST_F(IoRequestTest, SynchronousCompletionFillsStatusSetsEventAndFreesTheIrp) {
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce, STATUS_DEVICE_NOT_CONNECTED, 3);
    PIRP irp = build(kNeitherCode, nullptr, 0, nullptr, 0);
    EXPECT_EQ(IoCallDriver(lower_->device(), irp), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(status_.Status, STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(status_.Information, 3U);
    EXPECT_EQ(KeReadStateEvent(&event_), 1);
    EXPECT_EQ(host::liveIrps(), 0U);
}

TEST_F(IoRequestTest, PendingCompletionFromAnotherThreadWakesTheCaller) {
    lower_->setMode(ToyDriver::Mode::kCompleteFromWorker, STATUS_SUCCESS, 5);
    PIRP irp = build(kNeitherCode, nullptr, 0, nullptr, 0);
    EXPECT_EQ(IoCallDriver(lower_->device(), irp), STATUS_PENDING);
    EXPECT_EQ(KeWaitForSingleObject(&event_, Executive, KernelMode, FALSE, nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(status_.Status, STATUS_SUCCESS);
    EXPECT_EQ(status_.Information, 5U);
    EXPECT_EQ(host::liveIrps(), 0U);  // freed before the event was set
    lower_->joinWorker();
}

TEST_F(IoRequestTest, BufferedOutputIsCopiedBackUpToInformation) {
    lower_->setMode(ToyDriver::Mode::kCompleteFromWorker, STATUS_SUCCESS, 4);
    UCHAR input[2] = {9, 9};
    UCHAR output[8] = {};
    PIRP irp = build(kBufferedCode, input, sizeof(input), output, sizeof(output));
    ASSERT_NE(irp->AssociatedIrp.SystemBuffer, nullptr);
    EXPECT_EQ(static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer)[1], 9);
    EXPECT_EQ(callAndWait(irp), STATUS_SUCCESS);
    lower_->joinWorker();
    const UCHAR expected[8] = {0, 1, 2, 3, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(output, expected, sizeof(output)), 0);
}

TEST_F(IoRequestTest, DirectOutputTravelsAsALockedMdlFreedAtCompletion) {
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce);
    UCHAR output[100];
    PIRP irp = build(kOutDirectCode, nullptr, 0, output, sizeof(output));
    ASSERT_NE(irp->MdlAddress, nullptr);
    EXPECT_EQ(MmGetMdlVirtualAddress(irp->MdlAddress), output);
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority), output);
    EXPECT_EQ(host::liveMdls(), 1U);
    EXPECT_EQ(callAndWait(irp), STATUS_SUCCESS);
    EXPECT_EQ(host::liveMdls(), 0U);
}

TEST_F(IoRequestTest, AllocationFailureOfTheIrpIsReportedAsNull) {
    host::poolLedger().failAllocationsWithTag(host::kIrpPoolTag);
    EXPECT_EQ(build(kNeitherCode, nullptr, 0, nullptr, 0), nullptr);
}

}  // namespace
