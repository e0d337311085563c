#include "sent_request.h"

#include <gtest/gtest.h>

namespace usbtest {

SentRequest::SentRequest(PDEVICE_OBJECT bus, ULONG ioControlCode, PVOID argument1) {
    irp_ = IoAllocateIrp(bus->StackSize, FALSE);
    if (irp_ == nullptr) {
        ADD_FAILURE() << "IoAllocateIrp failed";
        return;
    }
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp_);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = ioControlCode;
    next->Parameters.Others.Argument1 = argument1;
    IoSetCompletionRoutine(irp_, &SentRequest::onCompletion, this, TRUE, TRUE, TRUE);
    callStatus_ = IoCallDriver(bus, irp_);
}

SentRequest::SentRequest(PDEVICE_OBJECT bus, PURB urb)
    : SentRequest(bus, IOCTL_INTERNAL_USB_SUBMIT_URB, urb) {}

SentRequest::~SentRequest() {
    if (irp_ == nullptr) {
        return;
    }
    if (!waitCompleted()) {
        ADD_FAILURE() << "request never completed; its IRP is leaked";
        return;
    }
    IoFreeIrp(irp_);
}

bool SentRequest::waitCompleted(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return done_.wait_for(lock, timeout, [this] { return completed_; });
}

bool SentRequest::completed() const {
    std::lock_guard lock(mutex_);
    return completed_;
}

NTSTATUS SentRequest::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

KIRQL SentRequest::completionIrql() const {
    std::lock_guard lock(mutex_);
    return irql_;
}

std::thread::id SentRequest::completionThread() const {
    std::lock_guard lock(mutex_);
    return thread_;
}

bool SentRequest::pendingReturned() const {
    std::lock_guard lock(mutex_);
    return pendingReturned_;
}

BOOLEAN SentRequest::cancel() {
    return IoCancelIrp(irp_);
}

NTSTATUS NTAPI SentRequest::onCompletion(PDEVICE_OBJECT, PIRP irp, PVOID context) {
    auto* self = static_cast<SentRequest*>(context);
    // Notified under the lock: the waiter may destroy this object as soon
    // as it can take the lock again.
    std::lock_guard lock(self->mutex_);
    self->completed_ = true;
    self->status_ = irp->IoStatus.Status;
    self->irql_ = KeGetCurrentIrql();
    self->thread_ = std::this_thread::get_id();
    self->pendingReturned_ = irp->PendingReturned != FALSE;
    self->done_.notify_all();
    return STATUS_MORE_PROCESSING_REQUIRED;
}

}  // namespace usbtest
