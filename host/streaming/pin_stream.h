// What a pin streams with: its frame queue, processing object and
// reference clock, kept together in one shared object so that threads
// other than the class operation's (the processing thread, the driver's
// own threads, an application waiting for frames) can reach them without
// the device's dispatch lock and keep them alive while they use them.
//
// Life cycle (class side, under the device's dispatch lock, PASSIVE_LEVEL):
//   openStream   when the pin is made, before the driver hears of it;
//   each state change or format change: holdStream, the driver's calls
//                (every SetDeviceState step), releaseStream;
//   closeStream  when the pin closes (after it is down to Stop), before the
//                driver's Close: processing ends, pending buffers are
//                cancelled, the clock's class reference goes.
// The tables map a pin, or a stream pointer the class handed out, to its
// stream; any thread.
// Internal to host/streaming.
#pragma once

#include <atomic>
#include <memory>

#include "frame_queue.h"
#include "pin_processor.h"
#include "reference_clock.h"

namespace host::streaming::detail {

struct PinInstance;

struct PinStream {
    explicit PinStream(PKSPIN pin);
    ~PinStream();
    PinStream(const PinStream&) = delete;
    PinStream& operator=(const PinStream&) = delete;

    FrameQueue queue;
    PinProcessor processor;
    std::atomic<PinClock*> clock{nullptr};  // the class's reference; null: no clock
};

// STATUS_INSUFFICIENT_RESOURCES if the processing thread cannot start.
NTSTATUS openStream(PinInstance& pin);
void holdStream(PinInstance& pin);
void releaseStream(PinInstance& pin);
void closeStream(PinInstance& pin);

std::shared_ptr<PinStream> streamOf(PKSPIN pin);
// Stream pointers: noted by the queue while it keeps them.
void notePointer(const KSSTREAM_POINTER* pointer, PKSPIN pin, bool live);
std::shared_ptr<PinStream> streamOfPointer(const KSSTREAM_POINTER* pointer);

}  // namespace host::streaming::detail
