// Kernel events on the stand-in: a DISPATCHER_HEADER whose Type is the
// EVENT_TYPE, kept by the dispatcher database (dispatcher.h).
#include "dispatcher.h"
#include "nt_kernel.h"
#include "violation.h"

namespace {

DISPATCHER_HEADER* headerOf(PRKEVENT Event) {
    return &Event->Header;
}

bool aboveDispatch(const char* caller) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        host::reportViolation(std::string(caller) + " called above DISPATCH_LEVEL");
        return true;
    }
    return false;
}

}  // namespace

extern "C" VOID NTAPI KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State) {
    host::detail::initializeDispatcherObject(headerOf(Event), static_cast<UCHAR>(Type),
                                             State != FALSE);
}

// Wait == TRUE (set and wait atomically) is treated as FALSE: the stand-in
// has no dispatcher lock to hand over to the next wait.
extern "C" LONG NTAPI KeSetEvent(PRKEVENT Event, KPRIORITY /*Increment*/, BOOLEAN /*Wait*/) {
    if (aboveDispatch("KeSetEvent")) {
        return 0;
    }
    return host::detail::setSignalState(headerOf(Event), 1);
}

extern "C" LONG NTAPI KeResetEvent(PRKEVENT Event) {
    if (aboveDispatch("KeResetEvent")) {
        return 0;
    }
    return host::detail::setSignalState(headerOf(Event), 0);
}

extern "C" VOID NTAPI KeClearEvent(PRKEVENT Event) {
    if (!aboveDispatch("KeClearEvent")) {
        host::detail::setSignalState(headerOf(Event), 0);
    }
}

extern "C" LONG NTAPI KeReadStateEvent(PRKEVENT Event) {
    return host::detail::readSignalState(headerOf(Event));
}
