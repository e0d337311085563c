// The pieces of a FrameQueue (frame_queue.h) that its two source files
// share: a queued buffer and the leading-edge stream pointer object.
// Guarded by the queue's lock. Internal to host/streaming.
#pragma once

#include <memory>
#include <thread>

#include "frame_queue.h"

namespace host::streaming::detail {

// The poison a dead stream pointer's header carries; guard bytes' pattern.
inline constexpr UCHAR kDeadHeaderByte = 0xDD;
inline constexpr UCHAR kGuardByte = 0xA5;

struct FrameQueue::Buffer {
    ULONG extent = 0;
    std::unique_ptr<UCHAR[]> bytes;  // extent + kGuardBytes
    KSSTREAM_HEADER header{};
};

// The driver sees `ks`; the class finds the object from it by address.
struct FrameQueue::EdgePointer {
    KSSTREAM_POINTER ks{};
    Buffer* buffer = nullptr;  // null once dead
    bool locked = false;
    std::thread::id locker;
    std::uint64_t lockNumber = 0;
    KSSTREAM_HEADER deadHeader{};
};

}  // namespace host::streaming::detail
