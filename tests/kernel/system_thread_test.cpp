// System threads: the start routine runs at PASSIVE_LEVEL on its own
// thread; the thread object, reached through its handle, can be waited on
// and outlives the handle until the last dereference; termination from
// deep inside the routine; and the rules around handles and thread exit.
#include <kernel/host_kernel.h>

#include <atomic>
#include <thread>

#include "support/ledger_test.h"

namespace {

class SystemThreadTest : public LedgerTest {
  protected:
    // Creates a system thread running `routine` with a kernel handle, as a
    // driver does; returns the handle.
    HANDLE createThread(PKSTART_ROUTINE routine, PVOID context) {
        HANDLE handle = nullptr;
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
        EXPECT_EQ(PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, &attributes, nullptr, nullptr,
                                       routine, context),
                  STATUS_SUCCESS);
        return handle;
    }

    // Starts `routine`, returns its referenced thread object and closes
    // the handle, as a driver's worker-thread start does.
    PVOID start(PKSTART_ROUTINE routine, PVOID context) {
        HANDLE handle = createThread(routine, context);
        PVOID thread = nullptr;
        EXPECT_EQ(ObReferenceObjectByHandle(handle, THREAD_ALL_ACCESS, *PsThreadType, KernelMode,
                                            &thread, nullptr),
                  STATUS_SUCCESS);
        EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
        return thread;
    }

    void waitAndRelease(PVOID thread) {
        EXPECT_EQ(KeWaitForSingleObject(thread, Executive, KernelMode, FALSE, nullptr),
                  STATUS_SUCCESS);
        ObDereferenceObject(thread);
    }
};

struct Observed {
    std::thread::id id;
    KIRQL irql = HIGH_LEVEL;
    PETHREAD self = nullptr;
    bool pastTermination = false;
};

void NTAPI observe(PVOID context) {
    auto* observed = static_cast<Observed*>(context);
    observed->id = std::this_thread::get_id();
    observed->irql = KeGetCurrentIrql();
    observed->self = PsGetCurrentThread();
}

TEST_F(SystemThreadTest, RoutineRunsAtPassiveLevelOnItsOwnThread) {
    Observed observed;
    PVOID thread = start(observe, &observed);
    waitAndRelease(thread);
    EXPECT_NE(observed.id, std::this_thread::get_id());
    EXPECT_EQ(observed.irql, PASSIVE_LEVEL);
    EXPECT_EQ(observed.self, thread);
    EXPECT_EQ(host::systemThreadsRunning(), 0U);
}

void NTAPI terminateFromDeepInside(PVOID context) {
    auto nested = [](Observed* observed) {
        PsTerminateSystemThread(STATUS_SUCCESS);
        observed->pastTermination = true;
    };
    nested(static_cast<Observed*>(context));
    static_cast<Observed*>(context)->pastTermination = true;
}

TEST_F(SystemThreadTest, TerminateEndsTheThreadFromANestedCall) {
    Observed observed;
    waitAndRelease(start(terminateFromDeepInside, &observed));
    EXPECT_FALSE(observed.pastTermination);
}

void NTAPI waitForGo(PVOID context) {
    KeWaitForSingleObject(context, Executive, KernelMode, FALSE, nullptr);
}

// The reference taken by handle keeps the object waitable after ZwClose;
// a bounded wait on a running thread times out.
TEST_F(SystemThreadTest, ThreadObjectOutlivesItsHandleAndCanBeWaitedOnWithTimeout) {
    KEVENT go;
    KeInitializeEvent(&go, NotificationEvent, FALSE);
    PVOID thread = start(waitForGo, &go);
    EXPECT_EQ(host::openKernelHandles(), 0U);
    EXPECT_EQ(host::systemThreadsRunning(), 1U);

    LARGE_INTEGER timeout;
    timeout.QuadPart = -20 * 10'000;
    EXPECT_EQ(KeWaitForSingleObject(thread, Executive, KernelMode, FALSE, &timeout),
              STATUS_TIMEOUT);
    KeSetEvent(&go, IO_NO_INCREMENT, FALSE);
    waitAndRelease(thread);
    EXPECT_EQ(host::systemThreadsRunning(), 0U);
}

TEST_F(SystemThreadTest, HandleLookupsFailCleanly) {
    PVOID object = nullptr;
    HANDLE bogus = reinterpret_cast<HANDLE>(ULONG_PTR{0x1234});
    EXPECT_EQ(ObReferenceObjectByHandle(bogus, THREAD_ALL_ACCESS, *PsThreadType, KernelMode,
                                        &object, nullptr),
              STATUS_INVALID_HANDLE);
    EXPECT_EQ(object, nullptr);

    host::ScopedViolationRecorder recorder;
    EXPECT_EQ(ZwClose(bogus), STATUS_INVALID_HANDLE);
    EXPECT_TRUE(recorder.contains("ZwClose: the handle is not open"));
}

void NTAPI endAtDispatchLevel(PVOID) {
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
}

TEST_F(SystemThreadTest, EndingAbovePassiveLevelIsAViolation) {
    host::ScopedViolationRecorder recorder;
    waitAndRelease(start(endAtDispatchLevel, nullptr));
    EXPECT_TRUE(recorder.contains("system thread ended at IRQL 2"));
}

TEST_F(SystemThreadTest, TerminateOutsideASystemThreadIsAViolation) {
    host::ScopedViolationRecorder recorder;
    EXPECT_EQ(PsTerminateSystemThread(STATUS_SUCCESS), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(recorder.count(), 1U);
}

TEST_F(SystemThreadTest, UnbalancedDereferenceIsAViolation) {
    host::ScopedViolationRecorder recorder;
    int object = 0;
    ObReferenceObject(&object);
    EXPECT_EQ(ObDereferenceObject(&object), 0);
    ObDereferenceObject(&object);
    EXPECT_TRUE(recorder.contains("no reference left"));
}

// A driver's call may come in an application's process, where a handle
// without OBJ_KERNEL_HANDLE would be that process's to use and close.
TEST_F(SystemThreadTest, CreationWithoutAKernelHandleAttributeIsAViolation) {
    host::ScopedViolationRecorder recorder;
    HANDLE handle = nullptr;
    Observed observed;
    EXPECT_EQ(PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, nullptr, nullptr, nullptr, observe,
                                   &observed),
              STATUS_INVALID_PARAMETER);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    EXPECT_EQ(PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, &attributes, nullptr, nullptr,
                                   observe, &observed),
              STATUS_INVALID_PARAMETER);
    EXPECT_EQ(recorder.count(), 2U);
    EXPECT_TRUE(recorder.contains("PsCreateSystemThread: the handle must be a kernel handle"));
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(host::openKernelHandles(), 0U);
    EXPECT_EQ(host::systemThreadsRunning(), 0U);
}

// Kernel-mode callers skip the access check, but a reference taken with no
// access or for any type of object would hide a handle of the wrong kind.
TEST_F(SystemThreadTest, ReferencingWithoutAccessOrObjectTypeIsAViolation) {
    Observed observed;
    HANDLE handle = createThread(observe, &observed);
    ASSERT_NE(handle, nullptr);
    {
        host::ScopedViolationRecorder recorder;
        PVOID object = nullptr;
        EXPECT_EQ(ObReferenceObjectByHandle(handle, 0, *PsThreadType, KernelMode, &object, nullptr),
                  STATUS_ACCESS_DENIED);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(
            ObReferenceObjectByHandle(handle, SYNCHRONIZE, nullptr, KernelMode, &object, nullptr),
            STATUS_OBJECT_TYPE_MISMATCH);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(recorder.count(), 2U);
        EXPECT_TRUE(recorder.contains("ObReferenceObjectByHandle: no access asked for"));
        EXPECT_TRUE(recorder.contains("ObReferenceObjectByHandle: no object type"));
    }
    PVOID thread = nullptr;
    ASSERT_EQ(
        ObReferenceObjectByHandle(handle, SYNCHRONIZE, *PsThreadType, KernelMode, &thread, nullptr),
        STATUS_SUCCESS);
    EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
    waitAndRelease(thread);
}

TEST_F(SystemThreadTest, LeakedHandleIsReportedAndClosedByTheReset) {
    Observed observed;
    HANDLE handle = createThread(observe, &observed);
    ASSERT_NE(handle, nullptr);
    PVOID thread = nullptr;
    ObReferenceObjectByHandle(handle, THREAD_ALL_ACCESS, *PsThreadType, KernelMode, &thread,
                              nullptr);
    waitAndRelease(thread);
    EXPECT_EQ(host::openKernelHandles(), 1U);
    host::resetKernelForTest();
    EXPECT_EQ(host::openKernelHandles(), 0U);
}

}  // namespace
