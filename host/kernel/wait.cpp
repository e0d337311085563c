// KeWaitForSingleObject, KeWaitForMultipleObjects and
// KeDelayExecutionThread on the stand-in, with the IRQL rules a verified
// driver must keep. Alertable waits are never alerted: there are no APCs.
#include <string>
#include <thread>

#include "dispatcher.h"
#include "kernel_time.h"
#include "nt_kernel.h"
#include "violation.h"

namespace {

bool isPoll(const LARGE_INTEGER* timeout) {
    return timeout != nullptr && timeout->QuadPart == 0;
}

// A wait that may block needs IRQL <= APC_LEVEL; at DISPATCH_LEVEL only a
// poll is allowed. A broken rule is reported and the wait becomes a poll.
host::detail::Deadline checkedDeadline(const LARGE_INTEGER* timeout, const char* caller) {
    const KIRQL irql = KeGetCurrentIrql();
    if (irql > DISPATCH_LEVEL) {
        host::reportViolation(std::string(caller) + " called above DISPATCH_LEVEL");
        return std::chrono::steady_clock::now();
    }
    if (irql == DISPATCH_LEVEL && !isPoll(timeout)) {
        host::reportViolation(std::string(caller) +
                              " at DISPATCH_LEVEL with a timeout other than zero");
        return std::chrono::steady_clock::now();
    }
    return host::detail::deadlineFor(timeout);
}

bool allInitialised(DISPATCHER_HEADER* const* objects, ULONG count, const char* caller) {
    for (ULONG i = 0; i < count; ++i) {
        if (objects[i] == nullptr || !host::detail::isDispatcherObject(objects[i])) {
            host::reportViolation(std::string(caller) +
                                  ": the object is not an initialised event or thread");
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" NTSTATUS NTAPI KeWaitForSingleObject(PVOID Object, KWAIT_REASON /*WaitReason*/,
                                                KPROCESSOR_MODE /*WaitMode*/, BOOLEAN /*Alertable*/,
                                                PLARGE_INTEGER Timeout) {
    const char* caller = "KeWaitForSingleObject";
    const host::detail::Deadline deadline = checkedDeadline(Timeout, caller);
    auto* object = static_cast<DISPATCHER_HEADER*>(Object);
    if (!allInitialised(&object, 1, caller)) {
        return STATUS_INVALID_PARAMETER;
    }
    return host::detail::waitForObjects(&object, 1, false, deadline);
}

// More than THREAD_WAIT_OBJECTS objects need a WaitBlockArray, and never
// more than MAXIMUM_WAIT_OBJECTS, as on Windows; the array itself is unused.
extern "C" NTSTATUS NTAPI KeWaitForMultipleObjects(ULONG Count, PVOID Object[], WAIT_TYPE WaitType,
                                                   KWAIT_REASON /*WaitReason*/,
                                                   KPROCESSOR_MODE /*WaitMode*/,
                                                   BOOLEAN /*Alertable*/, PLARGE_INTEGER Timeout,
                                                   PKWAIT_BLOCK WaitBlockArray) {
    const char* caller = "KeWaitForMultipleObjects";
    const host::detail::Deadline deadline = checkedDeadline(Timeout, caller);
    if (Count == 0 || Count > MAXIMUM_WAIT_OBJECTS ||
        (Count > THREAD_WAIT_OBJECTS && WaitBlockArray == nullptr)) {
        host::reportViolation(std::string(caller) +
                              ": object count out of range or no wait block array");
        return STATUS_INVALID_PARAMETER;
    }
    auto* const* objects = reinterpret_cast<DISPATCHER_HEADER* const*>(Object);
    if (!allInitialised(objects, Count, caller)) {
        return STATUS_INVALID_PARAMETER;
    }
    return host::detail::waitForObjects(objects, Count, WaitType == WaitAll, deadline);
}

// Above APC_LEVEL is a violation and returns at once. A null interval is a
// violation too.
extern "C" NTSTATUS NTAPI KeDelayExecutionThread(KPROCESSOR_MODE /*WaitMode*/,
                                                 BOOLEAN /*Alertable*/, PLARGE_INTEGER Interval) {
    if (KeGetCurrentIrql() > APC_LEVEL) {
        host::reportViolation("KeDelayExecutionThread called above APC_LEVEL");
        return STATUS_SUCCESS;
    }
    if (Interval == nullptr) {
        host::reportViolation("KeDelayExecutionThread: no interval");
        return STATUS_INVALID_PARAMETER;
    }
    const host::detail::Deadline deadline = host::detail::deadlineFor(Interval);
    if (!deadline) {
        host::reportViolation("KeDelayExecutionThread: the interval is forever");
        return STATUS_INVALID_PARAMETER;
    }
    std::this_thread::sleep_until(*deadline);
    return STATUS_SUCCESS;
}
