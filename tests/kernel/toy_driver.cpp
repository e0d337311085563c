#include "toy_driver.h"

#include <algorithm>

ToyDriver::ToyDriver() {
    KeInitializeSpinLock(&lock_);
    driver_ = host::createDriverObject();
    driver_->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatch;
    driver_->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = dispatch;
    IoCreateDevice(driver_, sizeof(ToyDriver*), nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &device_);
    *static_cast<ToyDriver**>(device_->DeviceExtension) = this;
    device_->Flags &= ~static_cast<ULONG>(DO_DEVICE_INITIALIZING);
}

ToyDriver::~ToyDriver() {
    joinWorker();
    IoDeleteDevice(device_);
    host::deleteDriverObject(driver_);
}

void ToyDriver::setMode(Mode mode, NTSTATUS status, ULONG_PTR information) {
    mode_ = mode;
    status_ = status;
    information_ = information;
}

void ToyDriver::joinWorker() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

PIRP ToyDriver::parked() const {
    return __atomic_load_n(&parked_, __ATOMIC_SEQ_CST);
}

ToyDriver& ToyDriver::of(PDEVICE_OBJECT device) {
    return **static_cast<ToyDriver**>(device->DeviceExtension);
}

NTSTATUS NTAPI ToyDriver::dispatch(PDEVICE_OBJECT device, PIRP irp) {
    return of(device).handle(irp);
}

NTSTATUS ToyDriver::handle(PIRP irp) {
    ++dispatched_;
    switch (mode_) {
        case Mode::kCompleteAtOnce:
            finish(irp);
            return status_;
        case Mode::kCompleteFromWorker:
            IoMarkIrpPending(irp);
            worker_ = std::thread([this, irp] {
                KIRQL old;
                KeRaiseIrql(DISPATCH_LEVEL, &old);  // as a bus completes, from its DPC
                finish(irp);
                KeLowerIrql(old);
            });
            return STATUS_PENDING;
        case Mode::kPark:
            break;
    }
    IoMarkIrpPending(irp);
    KIRQL old;
    KeAcquireSpinLock(&lock_, &old);
    IoSetCancelRoutine(irp, cancel);
    __atomic_store_n(&parked_, irp, __ATOMIC_SEQ_CST);
    KeReleaseSpinLock(&lock_, old);
    return STATUS_PENDING;
}

void ToyDriver::finish(PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    if ((irp->Flags & IRP_BUFFERED_IO) != 0 && outputLength != 0) {
        auto* bytes = static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer);
        for (ULONG i = 0; i < outputLength; ++i) {
            bytes[i] = static_cast<UCHAR>(i);
        }
    }
    irp->IoStatus.Status = status_;
    irp->IoStatus.Information = information_;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

// Called with the cancel spin lock held; the IRP is the driver's again.
VOID NTAPI ToyDriver::cancel(PDEVICE_OBJECT device, PIRP irp) {
    IoReleaseCancelSpinLock(irp->CancelIrql);
    ToyDriver& self = of(device);
    KIRQL old;
    KeAcquireSpinLock(&self.lock_, &old);
    __atomic_store_n(&self.parked_, PIRP{nullptr}, __ATOMIC_SEQ_CST);
    KeReleaseSpinLock(&self.lock_, old);
    ++self.cancelled_;
    irp->IoStatus.Status = STATUS_CANCELLED;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

// Whoever clears the cancel routine first owns the IRP.
bool ToyDriver::completeParked() {
    KIRQL old;
    KeAcquireSpinLock(&lock_, &old);
    PIRP irp = parked_;
    if (irp == nullptr || IoSetCancelRoutine(irp, nullptr) == nullptr) {
        KeReleaseSpinLock(&lock_, old);
        return false;
    }
    __atomic_store_n(&parked_, PIRP{nullptr}, __ATOMIC_SEQ_CST);
    KeReleaseSpinLock(&lock_, old);
    finish(irp);
    return true;
}
