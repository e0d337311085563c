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
// SignalState is non-zero while signalled. The first four bytes are
// wdm.h's unions, reduced to the members a driver might name; the
// stand-in reads Type only and clears the other three bytes.
typedef struct _DISPATCHER_HEADER {
    union {
        struct {
            UCHAR Type;
            union {
                UCHAR Abandoned;
                BOOLEAN Signalling;
            };
            union {
                UCHAR Size;
                UCHAR Hand;
            };
            union {
                BOOLEAN DebugActive;
                BOOLEAN DpcActive;
            };
        };
        volatile LONG Lock;
    };
    volatile LONG SignalState;
    LIST_ENTRY WaitListHead;
} DISPATCHER_HEADER, *PDISPATCHER_HEADER;

typedef struct _KEVENT {
    DISPATCHER_HEADER Header;
} KEVENT, *PKEVENT, *PRKEVENT;

// Storage a multiple-object wait uses beyond THREAD_WAIT_OBJECTS objects.
typedef struct _KWAIT_BLOCK {
    LIST_ENTRY WaitListEntry;
    struct _KTHREAD* Thread;
    PVOID Object;
    struct _KWAIT_BLOCK* NextWaitBlock;
    USHORT WaitKey;
    UCHAR WaitType;
    volatile UCHAR BlockState;
    LONG SpareLong;
} KWAIT_BLOCK, *PKWAIT_BLOCK, *PRKWAIT_BLOCK;

#define THREAD_WAIT_OBJECTS 3
#define MAXIMUM_WAIT_OBJECTS 64
#define EVENT_INCREMENT 1

extern "C" {
VOID NTAPI KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State);
LONG NTAPI KeSetEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait);
LONG NTAPI KeResetEvent(PRKEVENT Event);
VOID NTAPI KeClearEvent(PRKEVENT Event);
LONG NTAPI KeReadStateEvent(PRKEVENT Event);
NTSTATUS NTAPI KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason,
                                     KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                     PLARGE_INTEGER Timeout);
NTSTATUS NTAPI KeWaitForMultipleObjects(ULONG Count, PVOID Object[], WAIT_TYPE WaitType,
                                        KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                                        BOOLEAN Alertable, PLARGE_INTEGER Timeout,
                                        PKWAIT_BLOCK WaitBlockArray);
NTSTATUS NTAPI KeDelayExecutionThread(KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                      PLARGE_INTEGER Interval);
// 100-ns units: since boot (interrupt time) and since 1601-01-01 (UTC).
ULONGLONG NTAPI KeQueryInterruptTime(VOID);
VOID NTAPI KeQuerySystemTime(PLARGE_INTEGER CurrentTime);
}
