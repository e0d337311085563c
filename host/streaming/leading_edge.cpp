// A pin's leading-edge stream pointer (frame_queue.h's state table): what
// KsPinGetLeadingEdgeStreamPointer, KsStreamPointerLock, KsStreamPointerUnlock
// and KsStreamPointerAdvance do to it, and how a dead one is kept so that
// later use is caught.
#include <cstring>
#include <string>

#include <kernel/host_kernel.h>

#include "frame_queue_items.h"
#include "pin_stream.h"

namespace host::streaming::detail {

PKSSTREAM_POINTER FrameQueue::leadingEdge(bool lock) {
    std::lock_guard guard(mutex_);
    if (unfilled_.empty() || closed_) {
        return nullptr;
    }
    if (edge_ == nullptr) {
        edge_ = std::make_unique<EdgePointer>();
        edge_->ks.Pin = pin_;
        aimAt(*edge_, *unfilled_.front());
        notePointer(&edge_->ks, pin_, true);
    }
    // A second lock of a locked leading edge hands back the same pointer.
    if (lock && !edge_->locked) {
        lockEdge(*edge_);
    }
    return &edge_->ks;
}

NTSTATUS FrameQueue::lock(PKSSTREAM_POINTER pointer) {
    std::lock_guard guard(mutex_);
    EdgePointer* edge = findPointer(pointer);
    if (!usable(edge, "KsStreamPointerLock", false)) {
        return STATUS_DEVICE_NOT_READY;
    }
    if (!edge->locked) {
        lockEdge(*edge);
    }
    return STATUS_SUCCESS;
}

void FrameQueue::unlock(PKSSTREAM_POINTER pointer, bool eject) {
    std::lock_guard guard(mutex_);
    EdgePointer* edge = findPointer(pointer);
    if (!usable(edge, "KsStreamPointerUnlock", true)) {
        return;
    }
    if (!eject) {
        edge->locked = false;
        return;
    }
    completeFront(STATUS_SUCCESS);
    kill(std::move(edge_));
}

// The buffer under the pointer completes; the pointer moves on to the next
// one, still locked, or dies at the end of the queue.
NTSTATUS FrameQueue::advance(PKSSTREAM_POINTER pointer) {
    std::lock_guard guard(mutex_);
    EdgePointer* edge = findPointer(pointer);
    if (!usable(edge, "KsStreamPointerAdvance", true)) {
        return STATUS_DEVICE_NOT_READY;
    }
    completeFront(STATUS_SUCCESS);
    if (unfilled_.empty()) {
        kill(std::move(edge_));
        return STATUS_DEVICE_NOT_READY;
    }
    aimAt(*edge, *unfilled_.front());
    lockEdge(*edge);
    return STATUS_SUCCESS;
}

bool FrameQueue::handedOut(PKSSTREAM_POINTER pointer) const {
    std::lock_guard guard(mutex_);
    return findPointer(pointer) != nullptr;
}

FrameQueue::EdgePointer* FrameQueue::findPointer(PKSSTREAM_POINTER pointer) const {
    if (edge_ != nullptr && &edge_->ks == pointer) {
        return edge_.get();
    }
    for (const auto& retired : retired_) {
        if (&retired->ks == pointer) {
            return retired.get();
        }
    }
    return nullptr;
}

bool FrameQueue::usable(EdgePointer* edge, const char* caller, bool mustBeLocked) const {
    if (edge == nullptr || edge->buffer == nullptr) {
        host::reportViolation(std::string(caller) + ": the stream pointer was ejected");
        return false;
    }
    if (mustBeLocked && !edge->locked) {
        host::reportViolation(std::string(caller) + ": the stream pointer is not locked");
        return false;
    }
    return true;
}

void FrameQueue::aimAt(EdgePointer& edge, Buffer& buffer) {
    edge.buffer = &buffer;
    edge.ks.StreamHeader = &buffer.stream.header;
    KSSTREAM_POINTER_OFFSET& offset = output_ ? edge.ks.OffsetOut : edge.ks.OffsetIn;
    offset.Data = buffer.bytes.get();
    offset.Count = buffer.extent;
    offset.Remaining = buffer.extent;
    edge.ks.Offset = &offset;
}

void FrameQueue::lockEdge(EdgePointer& edge) {
    edge.locked = true;
    edge.locker = std::this_thread::get_id();
    edge.lockNumber = ++locks_;
}

// A dead pointer leads nowhere: a poisoned header, empty offsets. close()
// checks the poison is intact.
void FrameQueue::kill(std::unique_ptr<EdgePointer> edge) {
    edge->buffer = nullptr;
    edge->locked = false;
    std::memset(&edge->deadHeader, kDeadHeaderByte, sizeof edge->deadHeader);
    edge->ks.StreamHeader = &edge->deadHeader;
    edge->ks.OffsetIn = KSSTREAM_POINTER_OFFSET{};
    edge->ks.OffsetOut = KSSTREAM_POINTER_OFFSET{};
    edge->ks.Offset = output_ ? &edge->ks.OffsetOut : &edge->ks.OffsetIn;
    retire(std::move(edge));
}

void FrameQueue::retire(std::unique_ptr<EdgePointer> edge) {
    retired_.push_back(std::move(edge));
    if (retired_.size() <= kRetiredPointers) {
        return;
    }
    checkDead(*retired_.front());
    notePointer(&retired_.front()->ks, pin_, false);
    retired_.pop_front();
}

}  // namespace host::streaming::detail
