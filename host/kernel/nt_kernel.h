// Declarations of the Windows kernel API that the driver uses, for the Linux
// stand-in platform. Names, types and signatures are the kernel's own, so the
// driver source compiles unchanged against this header or against <ntddk.h>.
// Only driver/platform/ includes this file. Everything it includes stays
// C++17 with no standard containers.
//
// Binary compatibility with a driver built for Windows: every call and
// callback has the Windows x64 calling convention (NTAPI, nt_base.h), and
// every structure and constant has the DDK's x64 layout and value, checked
// at build time against the DDK (kernel_layout_expectations.h).
#pragma once

#include "nt_base.h"
#include "nt_dispatcher.h"

// ---- Pool ------------------------------------------------------------------
typedef enum _POOL_TYPE {
    NonPagedPool = 0,
    PagedPool = 1,
    NonPagedPoolNx = 512,
} POOL_TYPE;

extern "C" {
PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag);
VOID NTAPI ExFreePoolWithTag(PVOID P, ULONG Tag);
VOID NTAPI ExFreePool(PVOID P);
}

// ---- IRQL, critical regions, spin locks, fast mutexes ---------------------
// The DDK's layout. Count is the lock word: FM_LOCK_BIT set while free,
// clear while owned. The stand-in keeps the owning thread's token in
// Owner and the number of waiters in Contention; it parks waiters itself
// and never signals Event, which ExInitializeFastMutex (inline, as wdm.h's,
// so a driver built for Windows runs the same code) initialises anyway.
#define FM_LOCK_BIT 0x1

typedef struct _FAST_MUTEX {
    volatile LONG Count;
    struct _KTHREAD* Owner;
    ULONG Contention;
    KEVENT Event;
    ULONG OldIrql;
} FAST_MUTEX, *PFAST_MUTEX;

extern "C" {
KIRQL NTAPI KeGetCurrentIrql(VOID);
KIRQL NTAPI KfRaiseIrql(KIRQL NewIrql);
VOID NTAPI KeLowerIrql(KIRQL NewIrql);
VOID NTAPI KeEnterCriticalRegion(VOID);
VOID NTAPI KeLeaveCriticalRegion(VOID);
KIRQL NTAPI KfAcquireSpinLock(PKSPIN_LOCK SpinLock);
VOID NTAPI KeReleaseSpinLock(PKSPIN_LOCK SpinLock, KIRQL NewIrql);
VOID NTAPI ExAcquireFastMutex(PFAST_MUTEX FastMutex);
VOID NTAPI ExReleaseFastMutex(PFAST_MUTEX FastMutex);
}

// Inline on x64, as in wdm.h: a free spin lock is a zero word.
FORCEINLINE VOID KeInitializeSpinLock(PKSPIN_LOCK SpinLock) {
    *SpinLock = 0;
}

// Inline, as in wdm.h.
FORCEINLINE VOID ExInitializeFastMutex(PFAST_MUTEX FastMutex) {
    FastMutex->Count = FM_LOCK_BIT;
    FastMutex->Owner = nullptr;
    FastMutex->Contention = 0;
    KeInitializeEvent(&FastMutex->Event, SynchronizationEvent, FALSE);
}

#define KeAcquireSpinLock(SpinLock, OldIrql) (*(OldIrql) = KfAcquireSpinLock(SpinLock))
#define KeRaiseIrql(NewIrql, OldIrql) (*(OldIrql) = KfRaiseIrql(NewIrql))

// ---- Floating-point state --------------------------------------------------
typedef struct _KFLOATING_SAVE {
    ULONG Dummy;
} KFLOATING_SAVE, *PKFLOATING_SAVE;

extern "C" {
NTSTATUS NTAPI KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave);
NTSTATUS NTAPI KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave);
}

// ---- Interlocked operations (sequentially consistent, as on x64) ----------
inline LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}
inline LONG InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedIncrement(LONG volatile* Addend) {
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedDecrement(LONG volatile* Addend) {
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
inline PVOID InterlockedExchangePointer(PVOID volatile* Target, PVOID Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange,
                                               PVOID Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}

// ---- Waits, threads, memory descriptors, I/O, registry --------------------
#include "nt_dispatcher.h"
#include "nt_io.h"
#include "nt_mdl.h"
#include "nt_registry.h"
#include "nt_thread.h"
