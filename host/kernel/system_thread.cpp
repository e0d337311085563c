// PsCreateSystemThread and PsTerminateSystemThread on the stand-in. The
// start routine runs at PASSIVE_LEVEL on its own host thread; termination
// unwinds that thread with an exception only the trampoline catches (the
// driver never sees it, and its frames are not expected to clean up, as
// on Windows).
#include <atomic>
#include <mutex>
#include <string>
#include <system_error>

#include "dispatcher.h"
#include "handle_table.h"
#include "system_threads.h"
#include "thread_object.h"
#include "thread_state.h"
#include "violation.h"

namespace {

struct ThreadTermination {
    NTSTATUS status;
};

// The calling thread's object if it is a system thread; a private stand-in
// object (never signalled, never referenced) for any other host thread.
thread_local PETHREAD currentSystemThread = nullptr;
thread_local _ETHREAD foreignThread;

// Creation failure injection: counts down to the failing creation.
std::mutex injectionMutex;
std::size_t creationsUntilFailure = 0;  // 0: none armed
NTSTATUS injectedStatus = STATUS_SUCCESS;

// A thread must end as it started: Windows stops the machine for a thread
// that exits at raised IRQL, inside a critical region or holding a lock.
void checkExitState() {
    const host::detail::ThreadState& state = host::detail::currentThread();
    if (state.irql != PASSIVE_LEVEL) {
        host::reportViolation("system thread ended at IRQL " + std::to_string(state.irql));
    }
    if (state.criticalRegionDepth != 0) {
        host::reportViolation("system thread ended inside a critical region");
    }
    if (state.spinLocksHeld != 0 || state.fastMutexesHeld != 0) {
        host::reportViolation("system thread ended holding a lock");
    }
}

void runSystemThread(PETHREAD thread) {
    currentSystemThread = thread;
    NTSTATUS status = STATUS_SUCCESS;
    try {
        thread->startRoutine(thread->startContext);
    } catch (const ThreadTermination& termination) {
        status = termination.status;
    }
    checkExitState();
    thread->exitStatus = status;
    host::detail::noteSystemThreadEnded();
    host::detail::setSignalState(&thread->Tcb.Header, 1);
    currentSystemThread = nullptr;
    ObfDereferenceObject(thread);  // the running thread's own reference
}

}  // namespace

// Called at PASSIVE_LEVEL. ProcessHandle must be null (the system
// process) for a driver; ObjectAttributes and DesiredAccess are not checked.
extern "C" NTSTATUS PsCreateSystemThread(PHANDLE ThreadHandle, ULONG /*DesiredAccess*/,
                                         POBJECT_ATTRIBUTES /*ObjectAttributes*/,
                                         HANDLE ProcessHandle, PCLIENT_ID ClientId,
                                         PKSTART_ROUTINE StartRoutine, PVOID StartContext) {
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation("PsCreateSystemThread called above PASSIVE_LEVEL");
        return STATUS_INVALID_PARAMETER;
    }
    if (ProcessHandle != nullptr || StartRoutine == nullptr) {
        host::reportViolation(
            "PsCreateSystemThread: a driver passes no process handle "
            "and a start routine");
        return STATUS_INVALID_PARAMETER;
    }
    if (const NTSTATUS injected = host::detail::injectedThreadCreationStatus();
        !NT_SUCCESS(injected)) {
        return injected;
    }
    host::detail::joinFinishedSystemThreads();
    PETHREAD thread = host::detail::createThreadObject(StartRoutine, StartContext, 2);
    *ThreadHandle = host::detail::openHandle(thread);
    if (ClientId != nullptr) {
        ClientId->UniqueProcess = reinterpret_cast<HANDLE>(ULONG_PTR{4});
        ClientId->UniqueThread = thread;
    }
    try {
        host::detail::startSystemThread([thread] { runSystemThread(thread); });
    } catch (const std::system_error&) {
        ZwClose(*ThreadHandle);
        *ThreadHandle = nullptr;
        ObfDereferenceObject(thread);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    return STATUS_SUCCESS;
}

namespace host {

void failSystemThreadCreation(std::size_t nth, NTSTATUS status) {
    std::lock_guard lock(injectionMutex);
    creationsUntilFailure = nth;
    injectedStatus = status;
}

namespace detail {

NTSTATUS injectedThreadCreationStatus() {
    std::lock_guard lock(injectionMutex);
    if (creationsUntilFailure == 0 || --creationsUntilFailure != 0) {
        return STATUS_SUCCESS;
    }
    return injectedStatus;
}

void clearThreadCreationInjection() {
    std::lock_guard lock(injectionMutex);
    creationsUntilFailure = 0;
    injectedStatus = STATUS_SUCCESS;
}

}  // namespace detail
}  // namespace host

// Only a system thread may end itself; from any other thread this is a
// violation and returns STATUS_INVALID_PARAMETER.
extern "C" NTSTATUS PsTerminateSystemThread(NTSTATUS ExitStatus) {
    if (currentSystemThread == nullptr) {
        host::reportViolation("PsTerminateSystemThread called outside a system thread");
        return STATUS_INVALID_PARAMETER;
    }
    throw ThreadTermination{ExitStatus};
}

extern "C" PETHREAD PsGetCurrentThread(VOID) {
    return currentSystemThread != nullptr ? currentSystemThread : &foreignThread;
}

extern "C" PKTHREAD KeGetCurrentThread(VOID) {
    return &PsGetCurrentThread()->Tcb;
}

// Priorities are recorded, not applied: host scheduling is the host's.
extern "C" KPRIORITY KeSetPriorityThread(PKTHREAD Thread, KPRIORITY Priority) {
    return Thread->Priority.exchange(Priority);
}
