// The I/O manager's rules, each broken once: the violation is reported
// (recorded here; without a recorder the process aborts, as the death
// tests show) and the offending call does the least harm it can.
#include <kernel/host_kernel.h>

#include <memory>

#include "support/ledger_test.h"
#include "toy_driver.h"

namespace {

NTSTATUS NTAPI takeBack(PDEVICE_OBJECT, PIRP, PVOID) {
    return STATUS_MORE_PROCESSING_REQUIRED;
}

VOID NTAPI neverCalled(PDEVICE_OBJECT, PIRP) {}

class IoRulesTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        lower_ = std::make_unique<ToyDriver>();
    }
    void TearDown() override {
        lower_.reset();
        LedgerTest::TearDown();
    }

    PIRP allocate(CCHAR stackSize) {
        PIRP irp = IoAllocateIrp(stackSize, FALSE);
        IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
        IoSetCompletionRoutine(irp, takeBack, nullptr, TRUE, TRUE, TRUE);
        return irp;
    }

    std::unique_ptr<ToyDriver> lower_;
};

TEST_F(IoRulesTest, CompletingTwiceIsAViolation) {
    host::ScopedViolationRecorder recorder;
    lower_->setMode(ToyDriver::Mode::kPark);
    PIRP irp = IoAllocateIrp(1, FALSE);
    IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    IoCallDriver(lower_->device(), irp);
    ASSERT_TRUE(lower_->completeParked());  // nobody stops it at the top: recorded
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    EXPECT_TRUE(recorder.contains("completed to the top"));
    EXPECT_TRUE(recorder.contains("completed twice"));
    IoFreeIrp(irp);
}

TEST_F(IoRulesTest, FreeingAnIrpStillPendingBelowIsAViolation) {
    host::ScopedViolationRecorder recorder;
    lower_->setMode(ToyDriver::Mode::kPark);
    PIRP irp = allocate(1);
    IoCallDriver(lower_->device(), irp);
    IoFreeIrp(irp);
    EXPECT_TRUE(recorder.contains("IoFreeIrp: the IRP is still pending"));
    EXPECT_EQ(host::liveIrps(), 1U);  // not freed
    lower_->completeParked();
    IoFreeIrp(irp);
    EXPECT_EQ(recorder.count(), 1U);
}

TEST_F(IoRulesTest, FreeingAnIrpThatStillCarriesAnMdlIsAViolation) {
    host::ScopedViolationRecorder recorder;
    UCHAR buffer[64];
    PIRP irp = IoAllocateIrp(1, FALSE);
    PMDL mdl = IoAllocateMdl(buffer, sizeof(buffer), FALSE, FALSE, irp);
    EXPECT_EQ(irp->MdlAddress, mdl);
    IoFreeIrp(irp);
    EXPECT_TRUE(recorder.contains("MdlAddress still holds an MDL"));
    IoFreeMdl(mdl);
    IoFreeIrp(irp);  // a stale MdlAddress is fine once the MDL is freed
    EXPECT_EQ(recorder.count(), 1U);
}

TEST_F(IoRulesTest, CompletingWithACancelRoutineSetIsAViolation) {
    host::ScopedViolationRecorder recorder;
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce);
    PIRP irp = allocate(1);
    IoSetCancelRoutine(irp, neverCalled);  // still set when the lower driver completes
    IoCallDriver(lower_->device(), irp);
    EXPECT_TRUE(recorder.contains("still has a cancel routine"));
    IoFreeIrp(irp);
}

TEST_F(IoRulesTest, CallingTheLowerDriverHoldingASpinLockIsAViolation) {
    host::ScopedViolationRecorder recorder;
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce);
    PIRP irp = allocate(1);
    KSPIN_LOCK lock;
    KeInitializeSpinLock(&lock);
    KIRQL old;
    KeAcquireSpinLock(&lock, &old);
    IoCallDriver(lower_->device(), irp);
    KeReleaseSpinLock(&lock, old);
    EXPECT_TRUE(recorder.contains("IoCallDriver called while holding a spin lock"));
    IoFreeIrp(irp);
}

TEST_F(IoRulesTest, CallingAboveDispatchLevelIsAViolation) {
    host::ScopedViolationRecorder recorder;
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce);
    PIRP irp = allocate(1);
    KIRQL old;
    KeRaiseIrql(HIGH_LEVEL, &old);
    IoCallDriver(lower_->device(), irp);
    KeLowerIrql(old);
    EXPECT_TRUE(recorder.contains("IoCallDriver called above DISPATCH_LEVEL"));
    IoFreeIrp(irp);
}

TEST_F(IoRulesTest, RunningOutOfStackLocationsIsAViolation) {
    host::ScopedViolationRecorder recorder;
    PIRP irp = IoAllocateIrp(1, FALSE);
    IoSetNextIrpStackLocation(irp);  // the sender takes the only location
    EXPECT_EQ(IoCallDriver(lower_->device(), irp), STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(recorder.contains("no stack location left"));
    EXPECT_EQ(lower_->dispatched(), 0);
    IoFreeIrp(irp);
}

TEST_F(IoRulesTest, BuildingARequestAbovePassiveLevelIsAViolation) {
    host::ScopedViolationRecorder recorder;
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    IO_STATUS_BLOCK status;
    FAST_MUTEX mutex;
    ExInitializeFastMutex(&mutex);
    ExAcquireFastMutex(&mutex);  // APC_LEVEL: the completion could not reach this thread
    EXPECT_EQ(IoBuildDeviceIoControlRequest(0, lower_->device(), nullptr, 0, nullptr, 0, TRUE,
                                            &event, &status),
              nullptr);
    ExReleaseFastMutex(&mutex);
    EXPECT_TRUE(recorder.contains("above PASSIVE_LEVEL"));
}

TEST_F(IoRulesTest, DoubleCompletionAbortsWithoutARecorder) {
    EXPECT_DEATH(
        {
            lower_->setMode(ToyDriver::Mode::kCompleteAtOnce);
            KEVENT event;
            KeInitializeEvent(&event, NotificationEvent, FALSE);
            IO_STATUS_BLOCK status;
            PIRP irp = IoBuildDeviceIoControlRequest(0, lower_->device(), nullptr, 0, nullptr, 0,
                                                     TRUE, &event, &status);
            IoCallDriver(lower_->device(), irp);  // completed, and so freed
            IoCompleteRequest(irp, IO_NO_INCREMENT);
        },
        "platform rule broken: IoCompleteRequest: the IRP is not allocated \\(completed twice");
}

TEST_F(IoRulesTest, FreeingAPendingIrpAbortsWithoutARecorder) {
    EXPECT_DEATH(
        {
            lower_->setMode(ToyDriver::Mode::kPark);
            PIRP irp = allocate(1);
            IoCallDriver(lower_->device(), irp);
            IoFreeIrp(irp);
        },
        "platform rule broken: IoFreeIrp: the IRP is still pending");
}

}  // namespace
