// Memory descriptor lists: the description of a buffer that an IRP carries
// to a lower driver. On the stand-in the "physical pages" are the host's
// virtual pages (the PFN array after the MDL holds VA >> PAGE_SHIFT) and
// every locked or non-paged MDL is already reachable at its virtual address.
//
// IoAllocateMdl/IoFreeMdl/IoBuildPartialMdl at IRQL <= DISPATCH_LEVEL;
// MmProbeAndLockPages at <= APC_LEVEL (<= DISPATCH_LEVEL for non-paged
// memory). The caller owns an MDL it allocated until IoFreeMdl, including
// one attached to an IRP: IoFreeIrp does not free MDLs (completion of an
// IRP built by IoBuildDeviceIoControlRequest does).
// Part of the driver-visible declarations that nt_kernel.h gathers.
#pragma once

#include "nt_base.h"

struct _IRP;

typedef ULONG_PTR PFN_NUMBER, *PPFN_NUMBER;

typedef struct _MDL {
    struct _MDL* Next;
    CSHORT Size;
    CSHORT MdlFlags;
    struct _EPROCESS* Process;
    PVOID MappedSystemVa;
    PVOID StartVa;
    ULONG ByteCount;
    ULONG ByteOffset;
} MDL, *PMDL;

#define MDL_MAPPED_TO_SYSTEM_VA 0x0001
#define MDL_PAGES_LOCKED 0x0002
#define MDL_SOURCE_IS_NONPAGED_POOL 0x0004
#define MDL_ALLOCATED_FIXED_SIZE 0x0008
#define MDL_PARTIAL 0x0010
#define MDL_PARTIAL_HAS_BEEN_MAPPED 0x0020
#define MDL_IO_PAGE_READ 0x0040
#define MDL_WRITE_OPERATION 0x0080
#define MDL_PARENT_MAPPED_SYSTEM_VA 0x0100

#define PAGE_SIZE 0x1000
#define PAGE_SHIFT 12L

#define BYTE_OFFSET(Va) (static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(Va) & (PAGE_SIZE - 1)))
#define PAGE_ALIGN(Va)                                         \
    (reinterpret_cast<PVOID>(reinterpret_cast<ULONG_PTR>(Va) & \
                             ~static_cast<ULONG_PTR>(PAGE_SIZE - 1)))
#define BYTES_TO_PAGES(Size) (((Size) >> PAGE_SHIFT) + (((Size) & (PAGE_SIZE - 1)) != 0))
#define ADDRESS_AND_SIZE_TO_SPAN_PAGES(Va, Size)                                            \
    (static_cast<ULONG>(                                                                    \
        ((reinterpret_cast<ULONG_PTR>(Va) & (PAGE_SIZE - 1)) + (Size) + (PAGE_SIZE - 1)) >> \
        PAGE_SHIFT))

typedef enum _MEMORY_CACHING_TYPE { MmNonCached, MmCached, MmWriteCombined } MEMORY_CACHING_TYPE;
typedef enum _MM_PAGE_PRIORITY {
    LowPagePriority,
    NormalPagePriority = 16,
    HighPagePriority = 32
} MM_PAGE_PRIORITY;
// Or'ed into the priority of a mapping (Windows 8 and later).
#define MdlMappingNoExecute 0x40000000
typedef enum _LOCK_OPERATION { IoReadAccess, IoWriteAccess, IoModifyAccess } LOCK_OPERATION;

extern "C" {
PMDL NTAPI IoAllocateMdl(PVOID VirtualAddress, ULONG Length, BOOLEAN SecondaryBuffer,
                         BOOLEAN ChargeQuota, struct _IRP* Irp);
VOID NTAPI IoFreeMdl(PMDL Mdl);
VOID NTAPI IoBuildPartialMdl(PMDL SourceMdl, PMDL TargetMdl, PVOID VirtualAddress, ULONG Length);
VOID NTAPI MmBuildMdlForNonPagedPool(PMDL MemoryDescriptorList);
VOID NTAPI MmProbeAndLockPages(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                               LOCK_OPERATION Operation);
VOID NTAPI MmUnlockPages(PMDL MemoryDescriptorList);
PVOID NTAPI MmMapLockedPagesSpecifyCache(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                                         MEMORY_CACHING_TYPE CacheType, PVOID RequestedAddress,
                                         ULONG BugCheckOnFailure, ULONG Priority);
VOID NTAPI MmUnmapLockedPages(PVOID BaseAddress, PMDL MemoryDescriptorList);
SIZE_T NTAPI MmSizeOfMdl(PVOID Base, SIZE_T Length);
}

FORCEINLINE PVOID MmGetMdlVirtualAddress(PMDL Mdl) {
    return static_cast<PCHAR>(Mdl->StartVa) + Mdl->ByteOffset;
}
FORCEINLINE ULONG MmGetMdlByteCount(PMDL Mdl) {
    return Mdl->ByteCount;
}
FORCEINLINE ULONG MmGetMdlByteOffset(PMDL Mdl) {
    return Mdl->ByteOffset;
}
FORCEINLINE PVOID MmGetMdlBaseVa(PMDL Mdl) {
    return Mdl->StartVa;
}
FORCEINLINE PPFN_NUMBER MmGetMdlPfnArray(PMDL Mdl) {
    return reinterpret_cast<PPFN_NUMBER>(Mdl + 1);
}

// Null when the mapping fails (never for a non-paged or locked MDL here).
FORCEINLINE PVOID MmGetSystemAddressForMdlSafe(PMDL Mdl, ULONG Priority) {
    if ((Mdl->MdlFlags & (MDL_MAPPED_TO_SYSTEM_VA | MDL_SOURCE_IS_NONPAGED_POOL)) != 0) {
        return Mdl->MappedSystemVa;
    }
    return MmMapLockedPagesSpecifyCache(Mdl, KernelMode, MmCached, nullptr, FALSE, Priority);
}

// For an MDL the caller built in its own storage of MmSizeOfMdl bytes.
FORCEINLINE VOID MmInitializeMdl(PMDL MemoryDescriptorList, PVOID BaseVa, SIZE_T Length) {
    MemoryDescriptorList->Next = nullptr;
    MemoryDescriptorList->Size = static_cast<CSHORT>(
        sizeof(MDL) + sizeof(PFN_NUMBER) * ADDRESS_AND_SIZE_TO_SPAN_PAGES(BaseVa, Length));
    MemoryDescriptorList->MdlFlags = 0;
    MemoryDescriptorList->Process = nullptr;
    MemoryDescriptorList->MappedSystemVa = nullptr;
    MemoryDescriptorList->StartVa = PAGE_ALIGN(BaseVa);
    MemoryDescriptorList->ByteOffset = BYTE_OFFSET(BaseVa);
    MemoryDescriptorList->ByteCount = static_cast<ULONG>(Length);
}
