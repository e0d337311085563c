// A pin's queue of application frame buffers and its leading-edge stream
// pointer, as the class's queue object keeps them.
//
// Buffers arrive from the application (submit), oldest first; the driver
// reaches the oldest through the leading edge (KsPinGetLeadingEdgeStreamPointer)
// and hands it back by ejecting it (KsStreamPointerUnlock with Eject TRUE),
// which completes it to the application with what the driver wrote. The
// class completes what is left with STATUS_CANCELLED when the pin stops or
// closes. Completed buffers wait, in submission order, for waitCompleted.
//
// Every buffer carries guard bytes after its FrameExtent, checked when it
// completes. Its stream header is as large as the pin's StreamHeaderSize
// asks (a bare KSSTREAM_HEADER when 0, at most one with a KS_FRAME_INFO);
// guard bytes fill the rest of the header block, so frame information
// written after a bare header is reported too. The leading edge is one
// stream pointer object per frame it stays on: ejecting (or flushing)
// kills it, its StreamHeader then points at a poisoned header and its
// Offset at an empty offset, and it is kept (the last kRetiredPointers of
// them) so that any later use is reported instead of touching freed memory.
//
// Leading-edge states:
//   | From          | To            | By                                  |
//   |---------------|---------------|-------------------------------------|
//   | none          | locked        | leadingEdge(lock) on a non-empty queue |
//   | none          | unlocked      | leadingEdge(no lock)                |
//   | unlocked      | locked        | leadingEdge(lock), lock             |
//   | locked        | unlocked      | unlock without eject                |
//   | locked        | dead (none)   | unlock with eject, advance past the end, flush |
//   | locked        | locked        | advance to the next buffer (the old one completes) |
//
// Thread-safe: its own lock, any thread. A rule broken by the driver is
// reported through host::reportViolation and the call then does nothing.
// Internal to host/streaming.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "ks_client.h"

namespace host::streaming::detail {

class FrameQueue {
  public:
    static constexpr ULONG kGuardBytes = 64;
    static constexpr std::size_t kRetiredPointers = 32;

    // `pin` is what the stream pointers name; `output`: the driver writes
    // (Offset is OffsetOut) rather than reads (OffsetIn).
    FrameQueue(PKSPIN pin, bool output);
    ~FrameQueue();
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // ---- The application's side ----
    // Queues a zero-filled buffer. *wasEmpty: no unfilled buffer was queued
    // before. STATUS_INVALID_PARAMETER for 0 bytes, STATUS_INVALID_DEVICE_STATE
    // once closed.
    NTSTATUS submit(ULONG frameExtent, bool* wasEmpty);
    bool waitCompleted(CapturedFrame* frame, std::chrono::milliseconds timeout);
    // Unfilled plus completed and not yet collected.
    std::size_t pending() const;
    bool hasUnfilled() const;

    // ---- The class's side ----
    // Completes every unfilled buffer with `status` and DataUsed 0. A
    // leading edge still locked is reported (the driver must let go before
    // the pin stops) and killed.
    void flush(NTSTATUS status);
    // flush(STATUS_CANCELLED), checks the retired pointers and refuses
    // further buffers; waiters still get what completed.
    void close();
    // For the check after Process: the number of locks taken so far, and
    // whether the leading edge is locked by `thread` with a lock taken after
    // `since`. unlockIfLockedBy unlocks it (no eject) after the report.
    std::uint64_t lockCount() const;
    bool lockedBy(std::thread::id thread, std::uint64_t since) const;
    void unlockIfLockedBy(std::thread::id thread);

    // ---- The driver's stream-pointer calls (leading_edge.cpp) ----
    PKSSTREAM_POINTER leadingEdge(bool lock);
    NTSTATUS lock(PKSSTREAM_POINTER pointer);
    void unlock(PKSSTREAM_POINTER pointer, bool eject);
    NTSTATUS advance(PKSSTREAM_POINTER pointer);
    // True if `pointer` is a stream pointer this queue handed out (live or
    // retired).
    bool handedOut(PKSSTREAM_POINTER pointer) const;

  private:
    struct Buffer;
    struct EdgePointer;

    // All with mutex_ held.
    EdgePointer* findPointer(PKSSTREAM_POINTER pointer) const;
    bool usable(EdgePointer* edge, const char* caller, bool mustBeLocked) const;
    void aimAt(EdgePointer& edge, Buffer& buffer);
    void lockEdge(EdgePointer& edge);
    void kill(std::unique_ptr<EdgePointer> edge);
    void retire(std::unique_ptr<EdgePointer> edge);
    // Reports a dead pointer whose poison the driver disturbed.
    static void checkDead(const EdgePointer& edge);
    void completeFront(NTSTATUS status);
    CapturedFrame capture(Buffer& buffer, NTSTATUS status) const;

    PKSPIN pin_;
    bool output_;
    mutable std::mutex mutex_;
    std::condition_variable completedChanged_;
    std::deque<std::unique_ptr<Buffer>> unfilled_;
    std::deque<CapturedFrame> completed_;
    std::unique_ptr<EdgePointer> edge_;
    std::deque<std::unique_ptr<EdgePointer>> retired_;
    std::uint64_t locks_ = 0;
    bool closed_ = false;
};

}  // namespace host::streaming::detail
