// Completion routines as the I/O manager runs them while an IRP travels
// back up a device stack: the SL_INVOKE_* choice, the IRQL and device
// object a routine sees, STATUS_MORE_PROCESSING_REQUIRED handing the IRP
// back to its sender, and the pending mark moving up to the caller.
#include <kernel/host_kernel.h>

#include <memory>

#include "support/ledger_test.h"
#include "toy_driver.h"

namespace {

constexpr ULONG kCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x810, METHOD_NEITHER, FILE_ANY_ACCESS);

// What the sender's completion routine saw.
struct Seen {
    KEVENT done;
    int calls = 0;
    PDEVICE_OBJECT device = reinterpret_cast<PDEVICE_OBJECT>(1);
    KIRQL irql = HIGH_LEVEL;
    BOOLEAN pendingReturned = FALSE;
    NTSTATUS status = STATUS_UNSUCCESSFUL;
};

NTSTATUS NTAPI takeBack(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
    auto* seen = static_cast<Seen*>(context);
    ++seen->calls;
    seen->device = device;
    seen->irql = KeGetCurrentIrql();
    seen->pendingReturned = irp->PendingReturned;
    seen->status = irp->IoStatus.Status;
    KeSetEvent(&seen->done, IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

// A filter above the toy driver, forwarding each IRP in one of the ways
// drivers do.
class Filter {
  public:
    enum class Style { kSkip, kCopyWithRoutine, kForwardAndWait };

    Filter(PDEVICE_OBJECT lower, Style style) {
        driver_ = host::createDriverObject();
        driver_->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = dispatch;
        IoCreateDevice(driver_, sizeof(Filter*), nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &device_);
        *static_cast<Filter**>(device_->DeviceExtension) = this;
        lower_ = IoAttachDeviceToDeviceStack(device_, lower);
        style_ = style;
    }
    ~Filter() {
        IoDetachDevice(lower_);
        IoDeleteDevice(device_);
        host::deleteDriverObject(driver_);
    }

    PDEVICE_OBJECT device() const { return device_; }
    PDEVICE_OBJECT routineDevice = nullptr;

  private:
    static Filter& of(PDEVICE_OBJECT device) {
        return **static_cast<Filter**>(device->DeviceExtension);
    }

    static NTSTATUS NTAPI passUp(PDEVICE_OBJECT device, PIRP irp, PVOID) {
        of(device).routineDevice = device;
        if (irp->PendingReturned) {
            IoMarkIrpPending(irp);
        }
        return STATUS_CONTINUE_COMPLETION;
    }

    static NTSTATUS NTAPI signal(PDEVICE_OBJECT, PIRP, PVOID context) {
        KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
        return STATUS_MORE_PROCESSING_REQUIRED;
    }

    static NTSTATUS NTAPI dispatch(PDEVICE_OBJECT device, PIRP irp) {
        Filter& self = of(device);
        switch (self.style_) {
            case Style::kSkip:
                IoSkipCurrentIrpStackLocation(irp);
                return IoCallDriver(self.lower_, irp);
            case Style::kCopyWithRoutine:
                IoCopyCurrentIrpStackLocationToNext(irp);
                IoSetCompletionRoutine(irp, passUp, nullptr, TRUE, TRUE, TRUE);
                return IoCallDriver(self.lower_, irp);
            case Style::kForwardAndWait:
                break;
        }
        KEVENT event;
        KeInitializeEvent(&event, NotificationEvent, FALSE);
        IoCopyCurrentIrpStackLocationToNext(irp);
        IoSetCompletionRoutine(irp, signal, &event, TRUE, TRUE, TRUE);
        if (IoCallDriver(self.lower_, irp) == STATUS_PENDING) {
            KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
        }
        const NTSTATUS status = irp->IoStatus.Status;
        IoCompleteRequest(irp, IO_NO_INCREMENT);  // the IRP is ours again
        return status;
    }

    PDRIVER_OBJECT driver_ = nullptr;
    PDEVICE_OBJECT device_ = nullptr;
    PDEVICE_OBJECT lower_ = nullptr;
    Style style_ = Style::kSkip;
};

// A sender's routine that hands the IRP's status back instead of keeping
// the IRP it allocated.
NTSTATUS NTAPI passStatusOn(PDEVICE_OBJECT /*device*/, PIRP irp, PVOID context) {
    ++static_cast<Seen*>(context)->calls;
    return irp->IoStatus.Status;
}

class CompletionRoutineTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        lower_ = std::make_unique<ToyDriver>();
        KeInitializeEvent(&seen_.done, NotificationEvent, FALSE);
    }
    void TearDown() override {
        filter_.reset();
        lower_.reset();
        LedgerTest::TearDown();
    }

    // An IRP the test allocated for the top of the stack, with `takeBack`
    // as its completion routine.
    PIRP allocateFor(PDEVICE_OBJECT top, bool onSuccess = true, bool onError = true,
                     bool onCancel = true) {
        PIRP irp = IoAllocateIrp(top->StackSize, FALSE);
        PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
        next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
        next->Parameters.DeviceIoControl.IoControlCode = kCode;
        IoSetCompletionRoutine(irp, takeBack, &seen_, onSuccess, onError, onCancel);
        return irp;
    }

    void waitForCompletion() {
        KeWaitForSingleObject(&seen_.done, Executive, KernelMode, FALSE, nullptr);
    }

    std::unique_ptr<ToyDriver> lower_;
    std::unique_ptr<Filter> filter_;
    Seen seen_;
};

TEST_F(CompletionRoutineTest, SenderGetsItsIrpBackAtTheCompletingThreadsIrql) {
    lower_->setMode(ToyDriver::Mode::kCompleteFromWorker, STATUS_SUCCESS);
    PIRP irp = allocateFor(lower_->device());
    EXPECT_EQ(IoCallDriver(lower_->device(), irp), STATUS_PENDING);
    waitForCompletion();
    lower_->joinWorker();
    EXPECT_EQ(seen_.calls, 1);
    EXPECT_EQ(seen_.device, nullptr);  // the sender owns no stack location
    EXPECT_EQ(seen_.irql, DISPATCH_LEVEL);
    EXPECT_TRUE(seen_.pendingReturned);
    IoFreeIrp(irp);
}

TEST_F(CompletionRoutineTest, SynchronousCompletionIsNotPending) {
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce, STATUS_DEVICE_NOT_CONNECTED);
    PIRP irp = allocateFor(lower_->device());
    EXPECT_EQ(IoCallDriver(lower_->device(), irp), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(seen_.calls, 1);
    EXPECT_EQ(seen_.irql, PASSIVE_LEVEL);
    EXPECT_FALSE(seen_.pendingReturned);
    EXPECT_EQ(seen_.status, STATUS_DEVICE_NOT_CONNECTED);
    IoFreeIrp(irp);
}

TEST_F(CompletionRoutineTest, RoutineIsCalledOnlyForTheOutcomesItAskedFor) {
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce, STATUS_IO_TIMEOUT);
    PIRP irp = allocateFor(lower_->device(), true, false, false);
    // Nobody stops the completion, which is the sender's bug: recorded.
    host::ScopedViolationRecorder recorder;
    IoCallDriver(lower_->device(), irp);
    EXPECT_EQ(seen_.calls, 0);
    EXPECT_TRUE(recorder.contains("completed to the top"));

    IoReuseIrp(irp, STATUS_SUCCESS);
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce, STATUS_SUCCESS);
    IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    IoSetCompletionRoutine(irp, takeBack, &seen_, TRUE, FALSE, FALSE);
    IoCallDriver(lower_->device(), irp);
    EXPECT_EQ(seen_.calls, 1);
    IoFreeIrp(irp);
}

TEST_F(CompletionRoutineTest, SkippingFilterPassesThePendingMarkUp) {
    filter_ = std::make_unique<Filter>(lower_->device(), Filter::Style::kSkip);
    EXPECT_EQ(filter_->device()->StackSize, 2);
    lower_->setMode(ToyDriver::Mode::kCompleteFromWorker, STATUS_SUCCESS);
    PIRP irp = allocateFor(filter_->device());
    EXPECT_EQ(IoCallDriver(filter_->device(), irp), STATUS_PENDING);
    waitForCompletion();
    lower_->joinWorker();
    EXPECT_TRUE(seen_.pendingReturned);
    EXPECT_EQ(seen_.device, nullptr);
    IoFreeIrp(irp);
}

TEST_F(CompletionRoutineTest, FilterRoutineSeesItsOwnDeviceAndMarksPending) {
    filter_ = std::make_unique<Filter>(lower_->device(), Filter::Style::kCopyWithRoutine);
    lower_->setMode(ToyDriver::Mode::kCompleteFromWorker, STATUS_SUCCESS);
    PIRP irp = allocateFor(filter_->device());
    EXPECT_EQ(IoCallDriver(filter_->device(), irp), STATUS_PENDING);
    waitForCompletion();
    lower_->joinWorker();
    EXPECT_EQ(filter_->routineDevice, filter_->device());
    EXPECT_TRUE(seen_.pendingReturned);
    IoFreeIrp(irp);
}

// The filter takes the IRP back with STATUS_MORE_PROCESSING_REQUIRED, then
// completes it again: legitimate, since it owned the IRP once more.
TEST_F(CompletionRoutineTest, ForwardAndWaitCompletesTheIrpASecondTime) {
    filter_ = std::make_unique<Filter>(lower_->device(), Filter::Style::kForwardAndWait);
    lower_->setMode(ToyDriver::Mode::kCompleteFromWorker, STATUS_DEVICE_DATA_ERROR);
    PIRP irp = allocateFor(filter_->device());
    EXPECT_EQ(IoCallDriver(filter_->device(), irp), STATUS_DEVICE_DATA_ERROR);
    lower_->joinWorker();
    EXPECT_EQ(seen_.calls, 1);
    EXPECT_EQ(seen_.status, STATUS_DEVICE_DATA_ERROR);
    EXPECT_EQ(seen_.irql, PASSIVE_LEVEL);  // completed by the filter's dispatch
    IoFreeIrp(irp);
}

}  // namespace

TEST_F(CompletionRoutineTest, OwnIrpRoutineMustKeepTheIrp) {
    lower_->setMode(ToyDriver::Mode::kCompleteAtOnce, STATUS_SUCCESS);
    PIRP irp = IoAllocateIrp(lower_->device()->StackSize, FALSE);
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = kCode;
    IoSetCompletionRoutine(irp, passStatusOn, &seen_, TRUE, TRUE, TRUE);
    host::ScopedViolationRecorder recorder;
    IoCallDriver(lower_->device(), irp);
    EXPECT_EQ(seen_.calls, 1);
    EXPECT_TRUE(recorder.contains("returned a status other than STATUS_MORE_PROCESSING_REQUIRED"));
    IoFreeIrp(irp);
}
