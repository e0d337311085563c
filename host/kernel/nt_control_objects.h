// The kernel's control objects that the I/O manager's structures embed: the
// device queue and its entries, the DPC and the APC. DEVICE_OBJECT embeds a
// device queue, a DPC and (in its Queue union) a wait context block; an
// IRP's Tail overlays its driver context with a device queue entry and
// with an APC.
//
// The stand-in never queues, inserts or runs any of them, and declares no
// call that would: they are here only so that the structures embedding
// them have Windows x64's layout, which a driver built for Windows reads
// and writes at fixed offsets (kernel_layout_expectations.h). Names, field
// order and types are wdm.h's; the callback types carry the kernel's
// calling convention like every other callback.
// Part of the driver-visible declarations that nt_kernel.h gathers.
#pragma once

#include "nt_base.h"
#include "nt_list.h"

struct _KDPC;
struct _KAPC;
struct _DEVICE_OBJECT;
struct _IRP;

// ---- Device queues -----------------------------------------------------------
typedef struct _KDEVICE_QUEUE_ENTRY {
    LIST_ENTRY DeviceListEntry;
    ULONG SortKey;
    BOOLEAN Inserted;
} KDEVICE_QUEUE_ENTRY, *PKDEVICE_QUEUE_ENTRY, *PRKDEVICE_QUEUE_ENTRY;

typedef struct _KDEVICE_QUEUE {
    CSHORT Type;
    CSHORT Size;
    LIST_ENTRY DeviceListHead;
    KSPIN_LOCK Lock;
    union {
        BOOLEAN Busy;
        struct {
            LONGLONG Reserved : 8;
            LONGLONG Hint : 56;
        };
    };
} KDEVICE_QUEUE, *PKDEVICE_QUEUE, *PRKDEVICE_QUEUE;

// ---- Deferred procedure calls ------------------------------------------------
typedef VOID(NTAPI KDEFERRED_ROUTINE)(struct _KDPC* Dpc, PVOID DeferredContext,
                                      PVOID SystemArgument1, PVOID SystemArgument2);
typedef KDEFERRED_ROUTINE* PKDEFERRED_ROUTINE;

typedef struct _KDPC {
    UCHAR Type;
    UCHAR Importance;
    volatile USHORT Number;
    LIST_ENTRY DpcListEntry;
    PKDEFERRED_ROUTINE DeferredRoutine;
    PVOID DeferredContext;
    PVOID SystemArgument1;
    PVOID SystemArgument2;
    volatile PVOID DpcData;
} KDPC, *PKDPC, *PRKDPC;

// ---- Asynchronous procedure calls ----------------------------------------------
typedef VOID(NTAPI KNORMAL_ROUTINE)(PVOID NormalContext, PVOID SystemArgument1,
                                    PVOID SystemArgument2);
typedef KNORMAL_ROUTINE* PKNORMAL_ROUTINE;
typedef VOID(NTAPI KKERNEL_ROUTINE)(struct _KAPC* Apc, PKNORMAL_ROUTINE* NormalRoutine,
                                    PVOID* NormalContext, PVOID* SystemArgument1,
                                    PVOID* SystemArgument2);
typedef KKERNEL_ROUTINE* PKKERNEL_ROUTINE;
typedef VOID(NTAPI KRUNDOWN_ROUTINE)(struct _KAPC* Apc);
typedef KRUNDOWN_ROUTINE* PKRUNDOWN_ROUTINE;

typedef struct _KAPC {
    UCHAR Type;
    UCHAR SpareByte0;
    UCHAR Size;
    UCHAR SpareByte1;
    ULONG SpareLong0;
    struct _KTHREAD* Thread;
    LIST_ENTRY ApcListEntry;
    PKKERNEL_ROUTINE KernelRoutine;
    PKRUNDOWN_ROUTINE RundownRoutine;
    PKNORMAL_ROUTINE NormalRoutine;
    PVOID NormalContext;
    PVOID SystemArgument1;
    PVOID SystemArgument2;
    CCHAR ApcStateIndex;
    KPROCESSOR_MODE ApcMode;
    BOOLEAN Inserted;
} KAPC, *PKAPC, *PRKAPC;

// ---- The adapter wait context of a device object --------------------------------
typedef enum _IO_ALLOCATION_ACTION {
    KeepObject = 1,
    DeallocateObject,
    DeallocateObjectKeepRegisters
} IO_ALLOCATION_ACTION,
    *PIO_ALLOCATION_ACTION;

typedef IO_ALLOCATION_ACTION(NTAPI DRIVER_CONTROL)(struct _DEVICE_OBJECT* DeviceObject,
                                                   struct _IRP* Irp, PVOID MapRegisterBase,
                                                   PVOID Context);
typedef DRIVER_CONTROL* PDRIVER_CONTROL;

typedef struct _WAIT_CONTEXT_BLOCK {
    KDEVICE_QUEUE_ENTRY WaitQueueEntry;
    PDRIVER_CONTROL DeviceRoutine;
    PVOID DeviceContext;
    ULONG NumberOfMapRegisters;
    PVOID DeviceObject;
    PVOID CurrentIrp;
    PKDPC BufferChainingDpc;
} WAIT_CONTEXT_BLOCK, *PWAIT_CONTEXT_BLOCK;
