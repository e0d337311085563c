// Processing and stream pointers on the stand-in class. The pin's frame
// queue is not modelled yet: no frames ever arrive, so a pin has no leading
// edge, processing has nothing to do, and no stream pointer exists for the
// driver to unlock, advance or delete (passing one is a violation). No pin
// has a reference clock.
#include <kernel/host_kernel.h>

#include "class_objects.h"

namespace {

bool livePin(PKSPIN Pin, const char* caller) {
    if (host::streaming::detail::livePin(Pin) != nullptr) {
        return true;
    }
    host::reportViolation(std::string(caller) + ": not a live pin");
    return false;
}

void noStreamPointers(PKSSTREAM_POINTER StreamPointer, const char* caller) {
    if (StreamPointer == nullptr) {
        host::reportViolation(std::string(caller) + ": null stream pointer");
    } else {
        host::reportViolation(std::string(caller) + ": not a stream pointer the class handed out");
    }
}

}  // namespace

extern "C" void KsPinAttemptProcessing(PKSPIN Pin, BOOLEAN /*Asynchronous*/) {
    livePin(Pin, "KsPinAttemptProcessing");
}

extern "C" PKSSTREAM_POINTER KsPinGetLeadingEdgeStreamPointer(PKSPIN Pin,
                                                              KSSTREAM_POINTER_STATE /*State*/) {
    livePin(Pin, "KsPinGetLeadingEdgeStreamPointer");
    return nullptr;
}

extern "C" NTSTATUS KsStreamPointerLock(PKSSTREAM_POINTER StreamPointer) {
    noStreamPointers(StreamPointer, "KsStreamPointerLock");
    return STATUS_DEVICE_NOT_READY;
}

extern "C" void KsStreamPointerUnlock(PKSSTREAM_POINTER StreamPointer, BOOLEAN /*Eject*/) {
    noStreamPointers(StreamPointer, "KsStreamPointerUnlock");
}

extern "C" NTSTATUS KsStreamPointerAdvance(PKSSTREAM_POINTER StreamPointer) {
    noStreamPointers(StreamPointer, "KsStreamPointerAdvance");
    return STATUS_DEVICE_NOT_READY;
}

extern "C" void KsStreamPointerDelete(PKSSTREAM_POINTER StreamPointer) {
    noStreamPointers(StreamPointer, "KsStreamPointerDelete");
}

extern "C" NTSTATUS KsPinGetReferenceClockInterface(PKSPIN Pin, PIKSREFERENCECLOCK* Interface) {
    *Interface = nullptr;
    livePin(Pin, "KsPinGetReferenceClockInterface");
    return STATUS_UNSUCCESSFUL;
}
