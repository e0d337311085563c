// The pieces of a FrameQueue (frame_queue.h) that its two source files
// share: a queued buffer and the leading-edge stream pointer object.
// Guarded by the queue's lock. Internal to host/streaming.
#pragma once

#include <cstddef>
#include <memory>
#include <thread>

#include "frame_queue.h"

namespace host::streaming::detail {

// The poison a dead stream pointer's header carries; guard bytes' pattern.
inline constexpr UCHAR kDeadHeaderByte = 0xDD;
inline constexpr UCHAR kGuardByte = 0xA5;

// A stream header as the class allocates it: the KSSTREAM_HEADER, then
// the frame information a video pin's larger StreamHeaderSize makes room
// for. Bytes beyond the header's Size hold guard bytes.
struct StreamHeaderBlock {
    KSSTREAM_HEADER header;
    KS_FRAME_INFO frameInfo;
};
static_assert(offsetof(StreamHeaderBlock, frameInfo) == sizeof(KSSTREAM_HEADER),
              "the frame information follows the header directly");

struct FrameQueue::Buffer {
    ULONG extent = 0;
    std::unique_ptr<UCHAR[]> bytes;  // extent + kGuardBytes
    StreamHeaderBlock stream{};
    ULONG headerSize = 0;  // the header's Size as the class set it
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
