// One request a test sends to the bus as a driver would: an IRP from
// IoAllocateIrp with IRP_MJ_INTERNAL_DEVICE_CONTROL in the bus's stack
// location and a completion routine that takes the IRP back
// (STATUS_MORE_PROCESSING_REQUIRED) and records how and where it completed.
//
// Construct on the test thread at PASSIVE_LEVEL; the constructor calls
// IoCallDriver. The destructor waits for completion and frees the IRP, so
// the pool ledger balances. The completion routine may run on any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <usb/usb_api.h>

namespace usbtest {

class SentRequest {
  public:
    SentRequest(PDEVICE_OBJECT bus, ULONG ioControlCode, PVOID argument1);
    // A URB on IOCTL_INTERNAL_USB_SUBMIT_URB.
    SentRequest(PDEVICE_OBJECT bus, PURB urb);
    ~SentRequest();
    SentRequest(const SentRequest&) = delete;
    SentRequest& operator=(const SentRequest&) = delete;

    // What IoCallDriver returned.
    NTSTATUS callStatus() const { return callStatus_; }
    bool pending() const { return callStatus_ == STATUS_PENDING; }

    // True once completed within `timeout`.
    bool waitCompleted(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool completed() const;
    // IoStatus.Status as the completion routine saw it.
    NTSTATUS status() const;
    KIRQL completionIrql() const;
    std::thread::id completionThread() const;
    bool pendingReturned() const;

    // IoCancelIrp's answer.
    BOOLEAN cancel();
    PIRP irp() const { return irp_; }

  private:
    static NTSTATUS NTAPI onCompletion(PDEVICE_OBJECT device, PIRP irp, PVOID context);

    PIRP irp_ = nullptr;
    NTSTATUS callStatus_ = STATUS_UNSUCCESSFUL;
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool completed_ = false;
    NTSTATUS status_ = STATUS_PENDING;
    KIRQL irql_ = PASSIVE_LEVEL;
    std::thread::id thread_;
    bool pendingReturned_ = false;
};

}  // namespace usbtest
