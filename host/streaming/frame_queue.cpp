// A pin's frame queue: the application's buffers arriving and completing,
// the flush at Stop and the close. The leading edge is leading_edge.cpp's.
#include <algorithm>
#include <cstring>
#include <string>

#include <kernel/host_kernel.h>

#include "frame_queue_items.h"
#include "pin_stream.h"

namespace host::streaming::detail {
namespace {

ULONG guardBytesChanged(const UCHAR* guard) {
    return static_cast<ULONG>(std::count_if(guard, guard + FrameQueue::kGuardBytes,
                                            [](UCHAR byte) { return byte != kGuardByte; }));
}

bool headerPoisoned(const KSSTREAM_HEADER& header) {
    const auto* bytes = reinterpret_cast<const UCHAR*>(&header);
    return std::all_of(bytes, bytes + sizeof header,
                       [](UCHAR byte) { return byte == kDeadHeaderByte; });
}

// The size of the stream headers the pin asked for in its create dispatch
// (KSPIN StreamHeaderSize; 0 means a bare KSSTREAM_HEADER). The stand-in
// holds extensions up to a KS_FRAME_INFO; any other size is reported and
// a bare header given instead.
ULONG streamHeaderSize(PKSPIN pin) {
    const ULONG asked = pin != nullptr ? pin->StreamHeaderSize : 0;
    if (asked == 0) {
        return sizeof(KSSTREAM_HEADER);
    }
    if (asked < sizeof(KSSTREAM_HEADER) || asked > sizeof(StreamHeaderBlock)) {
        host::reportViolation("a pin asked for stream headers of " + std::to_string(asked) +
                              " bytes: at least a KSSTREAM_HEADER, at most one with a "
                              "KS_FRAME_INFO");
        return sizeof(KSSTREAM_HEADER);
    }
    return asked;
}

bool headerTailIntact(const StreamHeaderBlock& block, ULONG headerSize) {
    const auto* bytes = reinterpret_cast<const UCHAR*>(&block);
    return std::all_of(bytes + headerSize, bytes + sizeof block,
                       [](UCHAR byte) { return byte == kGuardByte; });
}

}  // namespace

FrameQueue::FrameQueue(PKSPIN pin, bool output) : pin_(pin), output_(output) {}

FrameQueue::~FrameQueue() {
    close();
    std::lock_guard lock(mutex_);
    while (!retired_.empty()) {
        notePointer(&retired_.front()->ks, pin_, false);
        retired_.pop_front();
    }
}

NTSTATUS FrameQueue::submit(ULONG frameExtent, bool* wasEmpty) {
    if (frameExtent == 0) {
        return STATUS_INVALID_PARAMETER;
    }
    auto buffer = std::make_unique<Buffer>();
    buffer->extent = frameExtent;
    buffer->bytes = std::make_unique<UCHAR[]>(std::size_t{frameExtent} + kGuardBytes);
    std::memset(buffer->bytes.get() + frameExtent, kGuardByte, kGuardBytes);
    const ULONG headerSize = streamHeaderSize(pin_);
    KSSTREAM_HEADER& header = buffer->stream.header;
    auto* extension = reinterpret_cast<UCHAR*>(&buffer->stream.frameInfo);
    std::memset(extension + (headerSize - sizeof(KSSTREAM_HEADER)), kGuardByte,
                sizeof(StreamHeaderBlock) - headerSize);
    header.Size = headerSize;
    buffer->headerSize = headerSize;
    header.PresentationTime.Numerator = 1;
    header.PresentationTime.Denominator = 1;
    header.FrameExtent = frameExtent;
    header.Data = buffer->bytes.get();
    std::lock_guard lock(mutex_);
    if (closed_) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    *wasEmpty = unfilled_.empty();
    unfilled_.push_back(std::move(buffer));
    return STATUS_SUCCESS;
}

bool FrameQueue::waitCompleted(CapturedFrame* frame, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    completedChanged_.wait_for(lock, timeout, [this] { return !completed_.empty() || closed_; });
    if (completed_.empty()) {
        return false;
    }
    *frame = std::move(completed_.front());
    completed_.pop_front();
    return true;
}

std::size_t FrameQueue::pending() const {
    std::lock_guard lock(mutex_);
    return unfilled_.size() + completed_.size();
}

bool FrameQueue::hasUnfilled() const {
    std::lock_guard lock(mutex_);
    return !unfilled_.empty();
}

void FrameQueue::flush(NTSTATUS status) {
    std::lock_guard lock(mutex_);
    if (edge_ != nullptr && edge_->locked) {
        host::reportViolation(
            "a stream pointer is still locked when its pin stops: the driver must unlock it "
            "before its pin leaves Acquire");
    }
    if (edge_ != nullptr) {
        kill(std::move(edge_));
    }
    while (!unfilled_.empty()) {
        completeFront(status);
    }
}

void FrameQueue::close() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return;
        }
    }
    flush(STATUS_CANCELLED);
    std::lock_guard lock(mutex_);
    closed_ = true;
    completedChanged_.notify_all();
    for (const auto& edge : retired_) {
        checkDead(*edge);
    }
}

void FrameQueue::checkDead(const EdgePointer& edge) {
    const auto empty = [](const KSSTREAM_POINTER_OFFSET& offset) {
        return offset.Data == nullptr && offset.Count == 0 && offset.Remaining == 0;
    };
    if (!headerPoisoned(edge.deadHeader) || edge.ks.StreamHeader != &edge.deadHeader ||
        !empty(edge.ks.OffsetIn) || !empty(edge.ks.OffsetOut)) {
        host::reportViolation("the driver wrote through a stream pointer after ejecting it");
    }
}

std::uint64_t FrameQueue::lockCount() const {
    std::lock_guard lock(mutex_);
    return locks_;
}

bool FrameQueue::lockedBy(std::thread::id thread, std::uint64_t since) const {
    std::lock_guard lock(mutex_);
    return edge_ != nullptr && edge_->locked && edge_->locker == thread &&
           edge_->lockNumber > since;
}

void FrameQueue::unlockIfLockedBy(std::thread::id thread) {
    std::lock_guard lock(mutex_);
    if (edge_ != nullptr && edge_->locked && edge_->locker == thread) {
        edge_->locked = false;
    }
}

// The front buffer leaves the queue for the application. A driver that
// claimed more than the buffer holds, or wrote past it, is reported; the
// application gets at most FrameExtent bytes.
void FrameQueue::completeFront(NTSTATUS status) {
    std::unique_ptr<Buffer> buffer = std::move(unfilled_.front());
    unfilled_.pop_front();
    const ULONG overrun = guardBytesChanged(buffer->bytes.get() + buffer->extent);
    if (overrun != 0) {
        host::reportViolation("the driver wrote past a frame buffer's FrameExtent (" +
                              std::to_string(overrun) + " guard bytes changed)");
    }
    if (!headerTailIntact(buffer->stream, buffer->headerSize)) {
        host::reportViolation("the driver wrote past its stream header's Size (" +
                              std::to_string(buffer->headerSize) + " bytes)");
    }
    if (status == STATUS_SUCCESS && buffer->stream.header.DataUsed > buffer->extent) {
        host::reportViolation("the driver set DataUsed " +
                              std::to_string(buffer->stream.header.DataUsed) +
                              " above the buffer's FrameExtent " + std::to_string(buffer->extent));
    }
    completed_.push_back(capture(*buffer, status));
    completedChanged_.notify_all();
}

CapturedFrame FrameQueue::capture(Buffer& buffer, NTSTATUS status) const {
    const KSSTREAM_HEADER& header = buffer.stream.header;
    CapturedFrame frame{};
    frame.status = status;
    frame.frameExtent = buffer.extent;
    frame.dataUsed = status == STATUS_SUCCESS ? std::min(header.DataUsed, buffer.extent) : 0;
    frame.data.assign(buffer.bytes.get(), buffer.bytes.get() + frame.dataUsed);
    frame.presentationTime = header.PresentationTime.Time;
    frame.duration = header.Duration;
    frame.optionsFlags = header.OptionsFlags;
    if (buffer.headerSize >= sizeof(StreamHeaderBlock)) {
        frame.frameInfo = buffer.stream.frameInfo;
    }
    return frame;
}

}  // namespace host::streaming::detail
