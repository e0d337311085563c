// The capture thread: its start, its loop and its stop.
#include "../camera/camera_device.h"
#include "../platform/interlocked.h"
#include "../platform/locks.h"
#include "capture_worker.h"

namespace {

constexpr LONGLONG kUnitsPerMs = 10000;  // 100 ns units
// A read that fails sooner than this failed at once (no camera, pipes
// gone): the thread backs off before the next, doubling the pause up to
// the cap, so a missing camera costs no processor time. A read that ran
// its course (a time-out, a broken frame) is followed at once.
constexpr ULONGLONG kQuickFailure = 5 * kUnitsPerMs;
constexpr LONGLONG kFirstBackOff = 5 * kUnitsPerMs;
constexpr LONGLONG kLongestBackOff = 100 * kUnitsPerMs;
// How often a stop cancels the current read again while it waits for the
// thread: a read begun just before the thread saw the stop is cut short
// within this time.
constexpr LONGLONG kStopPoll = 10 * kUnitsPerMs;

}  // namespace

NTSTATUS CaptureWorker::StartThread() {
    AtomicWriteByte(&running, 1);
    {
        SpinLockGuard lock(&bufferLock);
        for (LONG index = 0; index < 2; ++index) {
            if (bufferState[index] == kBufferReady) {
                InterlockedIncrement(&framesDropped);  // never delivered
            }
            bufferState[index] = kBufferFree;
        }
        stopping = 0;
    }
    KeClearEvent(&stopRequested);
    // A kernel handle: the start may run in an application's process, whose
    // handle table must not get (or be able to close) the thread's handle.
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    HANDLE handle = nullptr;
    NTSTATUS status = PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, &attributes, nullptr,
                                           nullptr, ThreadMain, this);
    if (!NT_SUCCESS(status)) {
        AtomicWriteByte(&running, 0);
        return status;
    }
    PVOID object = nullptr;
    // SYNCHRONIZE: all the reference is for is waiting for the thread's end.
    status =
        ObReferenceObjectByHandle(handle, SYNCHRONIZE, *PsThreadType, KernelMode, &object, nullptr);
    ZwClose(handle);
    if (!NT_SUCCESS(status)) {
        // Cannot happen for a handle just made in kernel mode; stop the
        // loop at least, so it ends on its own.
        AtomicWriteByte(&running, 0);
        KeSetEvent(&stopRequested, IO_NO_INCREMENT, FALSE);
        return status;
    }
    thread = object;
    return STATUS_SUCCESS;
}

void NTAPI CaptureWorker::ThreadMain(PVOID context) {
    static_cast<CaptureWorker*>(context)->CaptureLoop();
    PsTerminateSystemThread(STATUS_SUCCESS);
}

LONG CaptureWorker::claimBufferToFill() {
    SpinLockGuard lock(&bufferLock);
    LONG index = 0;
    if (bufferState[0] == kBufferFree) {
        index = 0;
    } else if (bufferState[1] == kBufferFree) {
        index = 1;
    } else if (bufferState[0] == kBufferConverting) {
        index = 1;  // its Ready frame is dropped
    } else {
        index = 0;  // its Ready frame is dropped, even if it is the newer one
    }
    if (bufferState[index] == kBufferReady) {
        InterlockedIncrement(&framesDropped);
    }
    bufferState[index] = kBufferFilling;
    return index;
}

void CaptureWorker::finishFill(LONG index, bool ok) {
    SpinLockGuard lock(&bufferLock);
    bufferState[index] = ok ? kBufferReady : kBufferFree;
}

void CaptureWorker::CaptureLoop() {
    LONGLONG backOff = kFirstBackOff;
    while (AtomicReadByte(&running) != 0) {
        const LONG index = claimBufferToFill();
        bool ok = false;
        const ULONGLONG started = KeQueryInterruptTime();
        if (AtomicRead(&state) == kCaptureRunning) {
            UCHAR read = 0;
            camera->ReadFrame(rawBuffer[index], &read);
            ok = read != 0;
        }
        if (ok) {
            InterlockedIncrement(&framesCaptured);
        }
        finishFill(index, ok);
        if (ok) {
            camera->SignalFrameReady();
            backOff = kFirstBackOff;
            continue;
        }
        InterlockedIncrement(&readFailures);
        if (KeQueryInterruptTime() - started >= kQuickFailure) {
            backOff = kFirstBackOff;
            continue;
        }
        LARGE_INTEGER pause;
        pause.QuadPart = -backOff;
        KeWaitForSingleObject(&stopRequested, Executive, KernelMode, FALSE, &pause);
        backOff = backOff * 2 > kLongestBackOff ? kLongestBackOff : backOff * 2;
    }
}

void CaptureWorker::StopThread() {
    bool converting = false;
    {
        SpinLockGuard lock(&bufferLock);
        stopping = 1;  // from here on no conversion starts
        converting = AtomicRead(&processing) != 0;
        if (converting) {
            KeClearEvent(&processingDone);
        }
    }
    AtomicWriteByte(&running, 0);
    KeSetEvent(&stopRequested, IO_NO_INCREMENT, FALSE);
    camera->AbortPipes();
    if (thread != nullptr) {
        // Cancelling ends a read in progress at once; a read the thread
        // began just before it saw `running` cleared is cancelled on the
        // next round.
        LARGE_INTEGER poll;
        poll.QuadPart = -kStopPoll;
        do {
            camera->CancelReads();
        } while (KeWaitForSingleObject(thread, Executive, KernelMode, FALSE, &poll) ==
                 STATUS_TIMEOUT);
        ObDereferenceObject(thread);
        thread = nullptr;
    }
    if (converting) {
        KeWaitForSingleObject(&processingDone, Executive, KernelMode, FALSE, nullptr);
    }
}
