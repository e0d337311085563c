// The driver's processing and stream-pointer calls on the stand-in class:
// KsPinAttemptProcessing (pin_processor.h) and the leading-edge calls
// (frame_queue.h). Any thread; IRQL up to DISPATCH_LEVEL as on Windows.
// A pin or stream pointer the class does not know is a violation and the
// call does nothing.
//
// Only the leading edge exists: the class makes no clones, so
// KsStreamPointerDelete (which takes clones only) is always a violation.
#include <string>

#include <kernel/host_kernel.h>

#include "pin_stream.h"

namespace {

using host::streaming::detail::PinStream;

bool withinDispatchLevel(const char* caller) {
    if (KeGetCurrentIrql() <= DISPATCH_LEVEL) {
        return true;
    }
    host::reportViolation(std::string(caller) + " called above DISPATCH_LEVEL");
    return false;
}

std::shared_ptr<PinStream> streamOfPin(PKSPIN Pin, const char* caller) {
    if (!withinDispatchLevel(caller)) {
        return nullptr;
    }
    std::shared_ptr<PinStream> stream = host::streaming::detail::streamOf(Pin);
    if (stream == nullptr) {
        host::reportViolation(std::string(caller) + ": not a live pin");
    }
    return stream;
}

std::shared_ptr<PinStream> streamOfPointer(PKSSTREAM_POINTER StreamPointer, const char* caller) {
    if (!withinDispatchLevel(caller)) {
        return nullptr;
    }
    if (StreamPointer == nullptr) {
        host::reportViolation(std::string(caller) + ": null stream pointer");
        return nullptr;
    }
    std::shared_ptr<PinStream> stream = host::streaming::detail::streamOfPointer(StreamPointer);
    if (stream == nullptr || !stream->queue.handedOut(StreamPointer)) {
        host::reportViolation(std::string(caller) +
                              ": not a stream pointer the class handed out (or long ejected)");
        return nullptr;
    }
    return stream;
}

}  // namespace

extern "C" void NTAPI KsPinAttemptProcessing(PKSPIN Pin, BOOLEAN Asynchronous) {
    if (auto stream = streamOfPin(Pin, "KsPinAttemptProcessing")) {
        stream->processor.attempt(Asynchronous != FALSE);
    }
}

extern "C" PKSSTREAM_POINTER NTAPI KsPinGetLeadingEdgeStreamPointer(PKSPIN Pin,
                                                                    KSSTREAM_POINTER_STATE State) {
    auto stream = streamOfPin(Pin, "KsPinGetLeadingEdgeStreamPointer");
    return stream != nullptr ? stream->queue.leadingEdge(State == KSSTREAM_POINTER_STATE_LOCKED)
                             : nullptr;
}

extern "C" NTSTATUS NTAPI KsStreamPointerLock(PKSSTREAM_POINTER StreamPointer) {
    auto stream = streamOfPointer(StreamPointer, "KsStreamPointerLock");
    return stream != nullptr ? stream->queue.lock(StreamPointer) : STATUS_DEVICE_NOT_READY;
}

extern "C" void NTAPI KsStreamPointerUnlock(PKSSTREAM_POINTER StreamPointer, BOOLEAN Eject) {
    if (auto stream = streamOfPointer(StreamPointer, "KsStreamPointerUnlock")) {
        stream->queue.unlock(StreamPointer, Eject != FALSE);
    }
}

extern "C" NTSTATUS NTAPI KsStreamPointerAdvance(PKSSTREAM_POINTER StreamPointer) {
    auto stream = streamOfPointer(StreamPointer, "KsStreamPointerAdvance");
    return stream != nullptr ? stream->queue.advance(StreamPointer) : STATUS_DEVICE_NOT_READY;
}

extern "C" void NTAPI KsStreamPointerDelete(PKSSTREAM_POINTER StreamPointer) {
    if (streamOfPointer(StreamPointer, "KsStreamPointerDelete") != nullptr) {
        host::reportViolation("KsStreamPointerDelete: the leading edge is not a clone");
    }
}
