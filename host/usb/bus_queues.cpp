// The bus's queues and their cancellation. A queued IRP always has the
// bus's cancel routine set; whoever clears it (IoSetCancelRoutine returning
// the routine) owns the IRP and completes it. When clearing finds no
// routine, IoCancelIrp has already taken it and the cancel routine will
// come for the IRP, so it must stay where the routine looks: in its queue.
#include "bus_core.h"
#include "bus_device_object.h"

namespace host::usb {
namespace {

// IoCancelIrp sets Cancel from another thread.
bool cancelRequested(PIRP irp) {
    return __atomic_load_n(&irp->Cancel, __ATOMIC_SEQ_CST) != FALSE;
}

bool clearCancelRoutine(PIRP irp) {
    return IoSetCancelRoutine(irp, nullptr) != nullptr;
}

bool mayRun(const RequestQueue& queue, std::uint64_t readyGeneration) {
    if (queue.requests.empty() || queue.halted) {
        return false;
    }
    return !queue.nakBlocked || queue.nakGeneration != readyGeneration;
}

}  // namespace

RequestQueue* BusCore::queueFor(QueueId id) {
    switch (id.kind) {
        case QueueKind::kHub:
            return &hub_;
        case QueueKind::kDefaultPipe:
            return &defaultPipe_;
        case QueueKind::kPipe: {
            PipeState* pipe = pipes_.find(id.pipe);
            return pipe == nullptr ? nullptr : &pipe->queue;
        }
    }
    return nullptr;
}

bool BusCore::enqueueLocked(RequestQueue& queue, const PendingRequest& request, bool atFront) {
    IoSetCancelRoutine(request.irp, &busCancelRoutine);
    if (cancelRequested(request.irp) && clearCancelRoutine(request.irp)) {
        return false;
    }
    if (atFront) {
        queue.requests.push_front(request);
    } else {
        queue.requests.push_back(request);
    }
    return true;
}

std::optional<PendingRequest> BusCore::takeHead(QueueId id) {
    const std::uint64_t generation = signal_->readyGeneration();
    std::lock_guard lock(mutex_);
    RequestQueue* queue = queueFor(id);
    if (queue == nullptr || !mayRun(*queue, generation)) {
        return std::nullopt;
    }
    // A head being cancelled leaves soon; its cancel routine pokes the bus.
    if (!clearCancelRoutine(queue->requests.front().irp)) {
        return std::nullopt;
    }
    PendingRequest head = queue->requests.front();
    queue->requests.pop_front();
    queue->nakBlocked = false;
    transferExecuting_.store(id.kind != QueueKind::kHub);
    return head;
}

void BusCore::requeueAfterNak(QueueId id, const PendingRequest& request, std::uint64_t generation) {
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        transferExecuting_.store(false);
        RequestQueue* queue = queueFor(id);
        if (queue != nullptr) {
            queued = enqueueLocked(*queue, request, true);
            queue->nakBlocked = true;
            queue->nakGeneration = generation;
        }
    }
    if (!queued) {
        finishUntransferred(request, STATUS_CANCELLED, USBD_STATUS_CANCELED);
    }
}

void BusCore::takeCancellable(RequestQueue& queue, std::vector<PendingRequest>& out) {
    std::deque<PendingRequest> remaining;
    for (const PendingRequest& request : queue.requests) {
        if (clearCancelRoutine(request.irp)) {
            out.push_back(request);
        } else {
            remaining.push_back(request);
        }
    }
    queue.requests.swap(remaining);
    queue.nakBlocked = false;
}

void BusCore::settleOrphans(std::vector<PendingRequest>& orphans,
                            std::vector<PendingRequest>& out) {
    for (const PendingRequest& request : orphans) {
        if (clearCancelRoutine(request.irp)) {
            out.push_back(request);
        } else {
            limbo_.requests.push_back(request);
        }
    }
    orphans.clear();
}

bool BusCore::removeFrom(RequestQueue& queue, PIRP irp, PendingRequest& removed) {
    for (auto it = queue.requests.begin(); it != queue.requests.end(); ++it) {
        if (it->irp == irp) {
            removed = *it;
            queue.requests.erase(it);
            return true;
        }
    }
    return false;
}

void BusCore::cancel(PIRP irp) {
    PendingRequest removed;
    bool found = false;
    {
        std::lock_guard lock(mutex_);
        found = removeFrom(hub_, irp, removed) || removeFrom(defaultPipe_, irp, removed) ||
                removeFrom(limbo_, irp, removed);
        for (auto it = pipes_.pipes().begin(); !found && it != pipes_.pipes().end(); ++it) {
            found = removeFrom(it->second.queue, irp, removed);
        }
        if (found) {
            ++cancelsRunning_;
        }
    }
    if (!found) {
        return;  // cannot happen: a routine set means the IRP is queued
    }
    finishUntransferred(removed, STATUS_CANCELLED, USBD_STATUS_CANCELED);
    {
        std::lock_guard lock(mutex_);
        --cancelsRunning_;
    }
    cancelsDone_.notify_all();
    signal_->poke();
}

std::size_t BusCore::pendingRequests() const {
    return outstanding_.load();
}

std::size_t BusCore::pendingLocked() const {
    std::size_t count =
        hub_.requests.size() + defaultPipe_.requests.size() + limbo_.requests.size();
    for (const auto& [handle, pipe] : pipes_.pipes()) {
        count += pipe.queue.requests.size();
    }
    return count;
}

}  // namespace host::usb
