// Declarations of the Windows kernel API that the driver uses, for the Linux
// stand-in platform. Names, types and signatures are the kernel's own, so the
// driver source compiles unchanged against this header or against <ntddk.h>.
// Only driver/platform/ includes this file. Everything it includes stays
// C++17 with no standard containers.
#pragma once

#include "nt_base.h"

// ---- Pool ------------------------------------------------------------------
typedef enum _POOL_TYPE {
    NonPagedPool = 0,
    PagedPool = 1,
    NonPagedPoolNx = 512,
} POOL_TYPE;

extern "C" {
PVOID ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag);
VOID ExFreePoolWithTag(PVOID P, ULONG Tag);
VOID ExFreePool(PVOID P);
}

// ---- IRQL, critical regions, spin locks, fast mutexes ---------------------
// Opaque to the driver. The stand-in uses Count as the lock word (1 free,
// 0 owned), Owner as the owning thread, Contention as the number of waiters.
typedef struct _FAST_MUTEX {
    volatile LONG Count;
    PVOID Owner;
    ULONG Contention;
    KIRQL OldIrql;
} FAST_MUTEX, *PFAST_MUTEX;

extern "C" {
KIRQL KeGetCurrentIrql(VOID);
KIRQL KfRaiseIrql(KIRQL NewIrql);
VOID KeLowerIrql(KIRQL NewIrql);
VOID KeEnterCriticalRegion(VOID);
VOID KeLeaveCriticalRegion(VOID);
VOID KeInitializeSpinLock(PKSPIN_LOCK SpinLock);
KIRQL KfAcquireSpinLock(PKSPIN_LOCK SpinLock);
VOID KeReleaseSpinLock(PKSPIN_LOCK SpinLock, KIRQL NewIrql);
VOID ExInitializeFastMutex(PFAST_MUTEX FastMutex);
VOID ExAcquireFastMutex(PFAST_MUTEX FastMutex);
VOID ExReleaseFastMutex(PFAST_MUTEX FastMutex);
}
#define KeAcquireSpinLock(SpinLock, OldIrql) (*(OldIrql) = KfAcquireSpinLock(SpinLock))
#define KeRaiseIrql(NewIrql, OldIrql) (*(OldIrql) = KfRaiseIrql(NewIrql))

// ---- Floating-point state --------------------------------------------------
typedef struct _KFLOATING_SAVE {
    ULONG Dummy;
} KFLOATING_SAVE, *PKFLOATING_SAVE;

extern "C" {
NTSTATUS KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave);
NTSTATUS KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave);
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
