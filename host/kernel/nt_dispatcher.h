// Dispatcher objects and waits: events, KeWaitForSingleObject /
// KeWaitForMultipleObjects, KeDelayExecutionThread. A thread object
// (nt_thread.h) is waitable too: it is signalled when the thread ends.
//
// KEVENT is opaque to the driver: it embeds one, initialises it with
// KeInitializeEvent and passes its address; it never reads the fields.
// Part of the driver-visible declarations that nt_kernel.h gathers.
#pragma once

#include "nt_base.h"
#include "nt_list.h"

typedef enum _EVENT_TYPE { NotificationEvent, SynchronizationEvent } EVENT_TYPE;

typedef enum _KWAIT_REASON {
    Executive,
    FreePage,
    PageIn,
    PoolAllocation,
    DelayExecution,
    Suspended,
    UserRequest,
    WrExecutive,
    MaximumWaitReason = 37
} KWAIT_REASON;

typedef enum _WAIT_TYPE { WaitAll, WaitAny } WAIT_TYPE;

// Type holds the object kind (EVENT_TYPE for events, 6 for a thread);
// SignalState is non-zero while signalled.
typedef struct _DISPATCHER_HEADER {
    UCHAR Type;
    UCHAR Signalling;
    UCHAR Size;
    UCHAR Reserved1;
    volatile LONG SignalState;
    LIST_ENTRY WaitListHead;
} DISPATCHER_HEADER;

typedef struct _KEVENT {
    DISPATCHER_HEADER Header;
} KEVENT, *PKEVENT, *PRKEVENT;

// Storage a multiple-object wait uses beyond THREAD_WAIT_OBJECTS objects.
typedef struct _KWAIT_BLOCK {
    LIST_ENTRY WaitListEntry;
    PVOID Thread;
    PVOID Object;
    struct _KWAIT_BLOCK* NextWaitBlock;
    USHORT WaitKey;
    UCHAR WaitType;
    UCHAR BlockState;
} KWAIT_BLOCK, *PKWAIT_BLOCK;

#define THREAD_WAIT_OBJECTS 3
#define MAXIMUM_WAIT_OBJECTS 64
#define EVENT_INCREMENT 1

extern "C" {
VOID KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State);
LONG KeSetEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait);
LONG KeResetEvent(PRKEVENT Event);
VOID KeClearEvent(PRKEVENT Event);
LONG KeReadStateEvent(PRKEVENT Event);
NTSTATUS KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                               BOOLEAN Alertable, PLARGE_INTEGER Timeout);
NTSTATUS KeWaitForMultipleObjects(ULONG Count, PVOID Object[], WAIT_TYPE WaitType,
                                  KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                                  BOOLEAN Alertable, PLARGE_INTEGER Timeout,
                                  PKWAIT_BLOCK WaitBlockArray);
NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                PLARGE_INTEGER Interval);
// 100-ns units: since boot (interrupt time) and since 1601-01-01 (UTC).
ULONGLONG KeQueryInterruptTime(VOID);
VOID KeQuerySystemTime(PLARGE_INTEGER CurrentTime);
}
