// Declarations of the Windows kernel API that the driver uses, for the Linux
// stand-in platform. Names, types and signatures are the kernel's own, so the
// driver source compiles unchanged against this header or against <ntddk.h>.
// Only driver/platform/ includes this file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// ---- Basic types (LLP64 widths, as on Windows x64) -------------------------
typedef void VOID;
typedef void* PVOID;
typedef unsigned char UCHAR, *PUCHAR;
typedef unsigned short USHORT;
typedef int LONG, *PLONG;
typedef unsigned int ULONG, *PULONG;
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG, ULONG64;
typedef std::size_t SIZE_T;
typedef std::uintptr_t ULONG_PTR;
typedef unsigned char BOOLEAN;
typedef UCHAR KIRQL, *PKIRQL;
typedef LONG NTSTATUS;
typedef ULONG_PTR KSPIN_LOCK, *PKSPIN_LOCK;

#define TRUE 1
#define FALSE 0
#define NTAPI
#define FORCEINLINE inline

#define NT_SUCCESS(Status) ((static_cast<NTSTATUS>(Status)) >= 0)
#define STATUS_SUCCESS (static_cast<NTSTATUS>(0x00000000L))
#define STATUS_UNSUCCESSFUL (static_cast<NTSTATUS>(0xC0000001L))
#define STATUS_INSUFFICIENT_RESOURCES (static_cast<NTSTATUS>(0xC000009AL))
#define STATUS_ILLEGAL_FLOAT_CONTEXT (static_cast<NTSTATUS>(0xC000014AL))
#define STATUS_INVALID_PARAMETER (static_cast<NTSTATUS>(0xC000000DL))

#define PASSIVE_LEVEL 0
#define APC_LEVEL 1
#define DISPATCH_LEVEL 2
#define HIGH_LEVEL 15

#define RtlZeroMemory(Destination, Length) std::memset((Destination), 0, (Length))
#define RtlCopyMemory(Destination, Source, Length) std::memcpy((Destination), (Source), (Length))
#define RtlFillMemory(Destination, Length, Fill) std::memset((Destination), (Fill), (Length))

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
