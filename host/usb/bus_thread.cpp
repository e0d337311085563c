// The bus thread: the only thread that talks to the device. Each pass
// looks at the port, carries out the hub's requests, then the default
// pipe's, then each open pipe's, every queue in submission order until its
// head is NAKed, halted or gone. It sleeps until new work, a cancellation,
// the device's data-ready signal or the port poll interval.
#include <chrono>

#include "bus_core.h"
#include "scoped_dispatch_level.h"

namespace host::usb {
namespace {

// How often an idle bus looks at the port, to notice a device unplugged
// while transfers wait for it.
constexpr std::chrono::milliseconds kPortPollInterval{10};

}  // namespace

BusCore::BusCore(UsbDeviceModel& device, BusTrace& trace, BusFaults& faults)
    : device_(device), trace_(trace), faults_(faults) {}

BusCore::~BusCore() {
    shutdown();
}

void BusCore::start() {
    thread_ = std::thread([this] { run(); });
}

void BusCore::shutdown() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    signal_->requestStop();
    if (thread_.joinable()) {
        thread_.join();
    }
    drainAfterStop();
}

void BusCore::run() {
    const std::shared_ptr<BusSignal> signal = signal_;
    device_.setDataReadyCallback([signal] { signal->dataReady(); });
    while (signal_->wait(kPortPollInterval)) {
        serviceOnce();
    }
    device_.setDataReadyCallback({});
}

void BusCore::serviceOnce() {
    const bool connected = device_.connected();
    if (!connected) {
        failTransfers(STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE);
    }
    serviceQueue({QueueKind::kHub, nullptr});
    if (!connected) {
        return;
    }
    serviceQueue({QueueKind::kDefaultPipe, nullptr});
    for (USBD_PIPE_HANDLE pipe : openPipes()) {
        serviceQueue({QueueKind::kPipe, pipe});
    }
}

void BusCore::serviceQueue(QueueId id) {
    while (std::optional<PendingRequest> request = takeHead(id)) {
        // The port may have lost the device since this pass looked at it.
        if (id.kind != QueueKind::kHub && !device_.connected()) {
            transferExecuting_.store(false);
            ScopedDispatchLevel dispatch;
            finishUntransferred(*request, STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE);
            continue;
        }
        const std::uint64_t generation = signal_->readyGeneration();
        const Attempt attempt = execute(*request);
        if (attempt.nak) {
            requeueAfterNak(id, *request, generation);
            return;
        }
        transferExecuting_.store(false);
        if (attempt.halt) {
            std::lock_guard lock(mutex_);
            if (RequestQueue* queue = queueFor(id)) {
                queue->halted = true;
            }
        }
        ScopedDispatchLevel dispatch;
        finish(*request, attempt.status, attempt.usbdStatus);
    }
}

void BusCore::failTransfers(NTSTATUS status, USBD_STATUS usbdStatus) {
    std::vector<PendingRequest> failed;
    {
        std::lock_guard lock(mutex_);
        takeCancellable(defaultPipe_, failed);
        for (auto& [handle, pipe] : pipes_.pipes()) {
            takeCancellable(pipe.queue, failed);
        }
    }
    finishAll(failed, status, usbdStatus);
}

std::vector<USBD_PIPE_HANDLE> BusCore::openPipes() const {
    std::lock_guard lock(mutex_);
    std::vector<USBD_PIPE_HANDLE> handles;
    for (const auto& [handle, pipe] : pipes_.pipes()) {
        handles.push_back(handle);
    }
    return handles;
}

// After the bus thread ended: everything still queued is cancelled here;
// requests whose cancel routine is already on its way are left to it, and
// waited for, so no cancel routine runs once the bus is gone.
void BusCore::drainAfterStop() {
    for (;;) {
        std::vector<PendingRequest> cancelled;
        bool othersRunning = false;
        {
            std::unique_lock lock(mutex_);
            takeCancellable(hub_, cancelled);
            takeCancellable(defaultPipe_, cancelled);
            for (auto& [handle, pipe] : pipes_.pipes()) {
                takeCancellable(pipe.queue, cancelled);
            }
            othersRunning = cancelsRunning_ != 0 || pendingLocked() != 0;
            if (cancelled.empty() && othersRunning) {
                cancelsDone_.wait_for(lock, kPortPollInterval);
            }
        }
        finishAll(cancelled, STATUS_CANCELLED, USBD_STATUS_CANCELED);
        if (cancelled.empty() && !othersRunning) {
            return;
        }
    }
}

}  // namespace host::usb
