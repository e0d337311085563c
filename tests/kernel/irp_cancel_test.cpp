// Cancelling an IRP a lower driver holds: IoCancelIrp sets Cancel and
// calls the cancel routine with the cancel spin lock held; without a
// cancel routine it only marks the IRP. The race with normal completion
// is decided by whoever clears the cancel routine first.
#include <kernel/host_kernel.h>

#include <memory>

#include "support/ledger_test.h"
#include "toy_driver.h"

namespace {

struct Outcome {
    KEVENT done;
    NTSTATUS status = STATUS_PENDING;
    BOOLEAN cancelFlag = FALSE;
};

NTSTATUS NTAPI record(PDEVICE_OBJECT, PIRP irp, PVOID context) {
    auto* outcome = static_cast<Outcome*>(context);
    outcome->status = irp->IoStatus.Status;
    outcome->cancelFlag = irp->Cancel;
    KeSetEvent(&outcome->done, IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

class IrpCancelTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        lower_ = std::make_unique<ToyDriver>();
        lower_->setMode(ToyDriver::Mode::kPark, STATUS_SUCCESS);
        KeInitializeEvent(&outcome_.done, NotificationEvent, FALSE);
        irp_ = IoAllocateIrp(lower_->device()->StackSize, FALSE);
        IoGetNextIrpStackLocation(irp_)->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
        IoSetCompletionRoutine(irp_, record, &outcome_, TRUE, TRUE, TRUE);
    }
    void TearDown() override {
        IoFreeIrp(irp_);
        lower_.reset();
        LedgerTest::TearDown();
    }

    std::unique_ptr<ToyDriver> lower_;
    Outcome outcome_;
    PIRP irp_ = nullptr;
};

TEST_F(IrpCancelTest, CancelCallsTheCancelRoutineWhichCompletesTheIrp) {
    ASSERT_EQ(IoCallDriver(lower_->device(), irp_), STATUS_PENDING);
    EXPECT_EQ(lower_->parked(), irp_);
    EXPECT_TRUE(IoCancelIrp(irp_));
    EXPECT_EQ(lower_->cancelled(), 1);
    EXPECT_EQ(lower_->parked(), nullptr);
    EXPECT_EQ(outcome_.status, STATUS_CANCELLED);
    EXPECT_TRUE(outcome_.cancelFlag);
    EXPECT_FALSE(lower_->completeParked());
    EXPECT_EQ(host::spinLocksHeld(), 0);
}

TEST_F(IrpCancelTest, CancelFromAnotherThreadAtDispatchLevel) {
    ASSERT_EQ(IoCallDriver(lower_->device(), irp_), STATUS_PENDING);
    std::thread canceller([this] {
        KIRQL old;
        KeRaiseIrql(DISPATCH_LEVEL, &old);
        EXPECT_TRUE(IoCancelIrp(irp_));
        KeLowerIrql(old);
    });
    KeWaitForSingleObject(&outcome_.done, Executive, KernelMode, FALSE, nullptr);
    canceller.join();
    EXPECT_EQ(outcome_.status, STATUS_CANCELLED);
}

TEST_F(IrpCancelTest, CompletionThatWinsTheRaceLeavesNothingToCancel) {
    ASSERT_EQ(IoCallDriver(lower_->device(), irp_), STATUS_PENDING);
    EXPECT_TRUE(lower_->completeParked());
    EXPECT_EQ(outcome_.status, STATUS_SUCCESS);
    EXPECT_FALSE(IoCancelIrp(irp_));  // no cancel routine: only marked
    EXPECT_TRUE(irp_->Cancel);
    EXPECT_EQ(lower_->cancelled(), 0);
}

VOID NTAPI keepCancelLock(PDEVICE_OBJECT, PIRP) {}

TEST_F(IrpCancelTest, CancelRoutineThatKeepsTheCancelSpinLockIsAViolation) {
    host::ScopedViolationRecorder recorder;
    IoSetCancelRoutine(irp_, keepCancelLock);
    EXPECT_TRUE(IoCancelIrp(irp_));
    EXPECT_TRUE(recorder.contains("cancel routine returned holding the cancel spin lock"));
    EXPECT_EQ(host::spinLocksHeld(), 0);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
}

}  // namespace
