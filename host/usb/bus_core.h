// The stand-in bus's engine: the port with one device on it, the requests
// the driver sent down and the bus thread that carries them to the device.
// UsbBus (usb_bus.h) is its public face; the dispatch routines of the bus's
// device object (bus_device_object.cpp) call in here.
//
// Threads and IRQL:
// - Submitting threads (IoCallDriver, IRQL <= DISPATCH_LEVEL) validate a
//   request, trace its submission, mark the IRP pending and queue it with
//   a cancel routine set; only a malformed or refused request completes on
//   the submitting thread.
// - The bus thread is the only caller of the device. It takes a queue's
//   head (clearing its cancel routine first), carries it out with no lock
//   held, and completes it at DISPATCH_LEVEL with no lock held, so a
//   completion routine may send the next request straight down.
// - A cancelled request leaves its queue in the cancel routine and is
//   completed there, on the cancelling thread.
// Locking: mutex_ guards the queues and the pipe table; it is never held
// while calling the device or completing an IRP. The trace and the signal
// have their own locks, taken inside mutex_ or alone.
//
// Queues: the hub queue (abort pipe, reset pipe, port status, port reset;
// carried out in order, never NAKed), the default pipe (descriptors and
// configuration, in order), one per open bulk or interrupt pipe, and limbo,
// where requests of a closed pipe that are being cancelled wait for their
// cancel routine.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "bus_faults.h"
#include "bus_signal.h"
#include "bus_trace.h"
#include "pending_request.h"
#include "pipe_table.h"
#include "usb_api.h"
#include "usb_device_model.h"

namespace host::usb {

class BusCore {
  public:
    BusCore(UsbDeviceModel& device, BusTrace& trace, BusFaults& faults);
    ~BusCore();
    BusCore(const BusCore&) = delete;
    BusCore& operator=(const BusCore&) = delete;

    // Starts the bus thread. Once, before the first request.
    void start();
    // Refuses new requests, stops and joins the bus thread, then completes
    // every request still queued with STATUS_CANCELLED, on the calling
    // thread, and waits for cancel routines running elsewhere to finish.
    // Idempotent.
    void shutdown();

    // IRP_MJ_INTERNAL_DEVICE_CONTROL of the bus's device object.
    NTSTATUS dispatchInternalDeviceControl(PIRP irp);
    // The cancel routine's work, after it released the cancel spin lock.
    void cancel(PIRP irp);

    // Accepted (STATUS_PENDING returned) and not yet completed, including
    // the one the bus thread is carrying out.
    std::size_t pendingRequests() const;

  private:
    enum class QueueKind { kHub, kDefaultPipe, kPipe };
    struct QueueId {
        QueueKind kind;
        USBD_PIPE_HANDLE pipe;
    };
    // The result of one attempt at a request on the bus thread.
    struct Attempt {
        bool nak = false;
        bool halt = false;  // the pipe stalled and is halted until reset
        NTSTATUS status = STATUS_SUCCESS;
        USBD_STATUS usbdStatus = USBD_STATUS_SUCCESS;
    };

    // ---- Submission (bus_dispatch.cpp) -----------------------------------
    NTSTATUS submitUrb(PIRP irp, PURB urb);
    NTSTATUS submitPortRequest(PIRP irp, RequestKind kind);
    USBD_STATUS prepareUrb(PURB urb, PendingRequest& request, QueueId& queue);
    USBD_STATUS prepareDescriptorRequest(PURB urb, PendingRequest& request);
    USBD_STATUS prepareSelectConfiguration(PURB urb);
    USBD_STATUS prepareTransfer(PURB urb, PendingRequest& request);
    USBD_STATUS preparePipeRequest(PURB urb, PendingRequest& request);
    bool acceptLocked(const PendingRequest& request, QueueId queue);
    // With mutex_ held: a port reset arrives; reports a violation if any
    // transfer (not a hub request) is queued or being carried out.
    void checkNoTransfersLocked() const;
    NTSTATUS afterAccept(const PendingRequest& request, bool queued);
    static NTSTATUS completeAtOnce(PIRP irp, PURB urb, NTSTATUS status, USBD_STATUS usbdStatus);

    // ---- Queues and cancellation (bus_queues.cpp) ------------------------
    RequestQueue* queueFor(QueueId id);
    // With mutex_ held: queues `request` with the cancel routine set; false
    // when it was cancelled before (the caller completes it).
    bool enqueueLocked(RequestQueue& queue, const PendingRequest& request, bool atFront);
    // The head of a queue that may run now, its cancel routine cleared.
    std::optional<PendingRequest> takeHead(QueueId id);
    void requeueAfterNak(QueueId id, const PendingRequest& request, std::uint64_t generation);
    // With mutex_ held: moves every request whose cancel routine can be
    // cleared to `out`; the others stay for their cancel routines.
    static void takeCancellable(RequestQueue& queue, std::vector<PendingRequest>& out);
    // With mutex_ held: requests of closed pipes, to `out` or to limbo.
    void settleOrphans(std::vector<PendingRequest>& orphans, std::vector<PendingRequest>& out);
    static bool removeFrom(RequestQueue& queue, PIRP irp, PendingRequest& removed);
    // Requests waiting in a queue (not the one being carried out).
    std::size_t pendingLocked() const;

    // ---- Completion (bus_completion.cpp) ---------------------------------
    void finish(const PendingRequest& request, NTSTATUS status, USBD_STATUS usbdStatus);
    // For requests that moved no data (cancelled, failed before the wire):
    // the URB's transfer length is set to zero first.
    void finishUntransferred(const PendingRequest& request, NTSTATUS status,
                             USBD_STATUS usbdStatus);
    void finishAll(const std::vector<PendingRequest>& requests, NTSTATUS status,
                   USBD_STATUS usbdStatus);
    void traceSubmission(const PendingRequest& request);
    void traceCompletion(const PendingRequest& request, USBD_STATUS usbdStatus);

    // ---- The bus thread (bus_thread.cpp) ---------------------------------
    void run();
    void serviceOnce();
    void serviceQueue(QueueId id);
    void failTransfers(NTSTATUS status, USBD_STATUS usbdStatus);
    std::vector<USBD_PIPE_HANDLE> openPipes() const;
    void drainAfterStop();

    // ---- Carrying requests out (bus_control.cpp, bus_transfers.cpp,
    // ---- bus_hub_requests.cpp) -------------------------------------------
    Attempt execute(const PendingRequest& request);
    Attempt executeDescriptorRequest(const PendingRequest& request);
    Attempt executeSelectConfiguration(const PendingRequest& request);
    Attempt configure(PURB urb);
    Attempt unconfigure();
    Attempt executeTransfer(const PendingRequest& request);
    Attempt executeAbortPipe(const PendingRequest& request);
    Attempt executeResetPipe(const PendingRequest& request);
    Attempt executeGetPortStatus(const PendingRequest& request);
    Attempt executeResetPort();

    UsbDeviceModel& device_;
    BusTrace& trace_;
    BusFaults& faults_;
    const std::shared_ptr<BusSignal> signal_ = std::make_shared<BusSignal>();

    mutable std::mutex mutex_;
    PipeTable pipes_;
    RequestQueue hub_;
    RequestQueue defaultPipe_;
    RequestQueue limbo_;
    bool closed_ = false;                      // shutting down: new requests are refused
    int cancelsRunning_ = 0;                   // cancel routines between removal and completion
    std::atomic<std::size_t> outstanding_{0};  // see pendingRequests()
    // The bus thread is carrying out a transfer (not a hub request): set
    // when it takes one off its queue, cleared (under mutex_ when it goes
    // back after a NAK) before its completion starts.
    std::atomic<bool> transferExecuting_{false};
    std::condition_variable cancelsDone_;

    std::thread thread_;
};

}  // namespace host::usb
