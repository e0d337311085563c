// PsCreateSystemThread and PsTerminateSystemThread on the stand-in. The
// start routine runs at PASSIVE_LEVEL on its own host thread; termination
// jumps (longjmp) from PsTerminateSystemThread straight back to the
// trampoline that called the start routine, without unwinding: the frames
// in between may belong to a loaded Windows kernel image, which has no
// unwind information a Linux unwinder could use, and on Windows they are
// not unwound either (destructors in them do not run).
#include <atomic>
#include <csetjmp>
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

// The calling thread's object if it is a system thread; a private stand-in
// object (never signalled, never referenced) for any other host thread.
thread_local PETHREAD currentSystemThread = nullptr;
thread_local _ETHREAD foreignThread;

// Where PsTerminateSystemThread leaves a system thread's start routine, and
// the exit status it leaves with; set while the start routine runs.
thread_local std::jmp_buf* terminationPoint = nullptr;
thread_local NTSTATUS terminationStatus = STATUS_SUCCESS;

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

// The start routine's exit status: STATUS_SUCCESS when it returns, the
// status passed to PsTerminateSystemThread when it ends the thread.
NTSTATUS runStartRoutine(PETHREAD thread) {
    std::jmp_buf termination;
    if (setjmp(termination) != 0) {
        terminationPoint = nullptr;
        return terminationStatus;
    }
    terminationPoint = &termination;
    thread->startRoutine(thread->startContext);
    terminationPoint = nullptr;
    return STATUS_SUCCESS;
}

void runSystemThread(PETHREAD thread) {
    currentSystemThread = thread;
    const NTSTATUS status = runStartRoutine(thread);
    checkExitState();
    thread->exitStatus = status;
    host::detail::noteSystemThreadEnded();
    host::detail::setSignalState(&thread->Tcb.Header, 1);
    currentSystemThread = nullptr;
    ObfDereferenceObject(thread);  // the running thread's own reference
}

}  // namespace

// Called at PASSIVE_LEVEL. ProcessHandle must be null (the system
// process) for a driver; DesiredAccess is not checked. The handle must be
// asked for as a kernel handle (OBJ_KERNEL_HANDLE): a caller outside the
// system process must, and the stand-in cannot tell the system process from
// an application's (a device start or a pin's state change may run in
// either), so it asks it of every caller. Without it the call is a
// violation, returns STATUS_INVALID_PARAMETER and starts nothing.
extern "C" NTSTATUS NTAPI PsCreateSystemThread(PHANDLE ThreadHandle, ULONG /*DesiredAccess*/,
                                               POBJECT_ATTRIBUTES ObjectAttributes,
                                               HANDLE ProcessHandle, PCLIENT_ID ClientId,
                                               PKSTART_ROUTINE StartRoutine, PVOID StartContext) {
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation("PsCreateSystemThread called above PASSIVE_LEVEL");
        return STATUS_INVALID_PARAMETER;
    }
    if (ObjectAttributes == nullptr || (ObjectAttributes->Attributes & OBJ_KERNEL_HANDLE) == 0) {
        host::reportViolation(
            "PsCreateSystemThread: the handle must be a kernel handle "
            "(OBJECT_ATTRIBUTES with OBJ_KERNEL_HANDLE)");
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
extern "C" NTSTATUS NTAPI PsTerminateSystemThread(NTSTATUS ExitStatus) {
    if (currentSystemThread == nullptr || terminationPoint == nullptr) {
        host::reportViolation("PsTerminateSystemThread called outside a system thread");
        return STATUS_INVALID_PARAMETER;
    }
    terminationStatus = ExitStatus;
    std::longjmp(*terminationPoint, 1);
}

extern "C" PETHREAD NTAPI PsGetCurrentThread(VOID) {
    return currentSystemThread != nullptr ? currentSystemThread : &foreignThread;
}

extern "C" PKTHREAD NTAPI KeGetCurrentThread(VOID) {
    return &PsGetCurrentThread()->Tcb;
}

// Priorities are recorded, not applied: host scheduling is the host's.
extern "C" KPRIORITY NTAPI KeSetPriorityThread(PKTHREAD Thread, KPRIORITY Priority) {
    return Thread->Priority.exchange(Priority);
}
