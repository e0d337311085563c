// Locking and mapping the pages an MDL describes, on the stand-in. The
// host has one address space, so a "physical page" is the virtual page and
// a system mapping is the buffer's own address; what is kept is the state
// (MdlFlags) a driver's calls must get right.
#include "nt_kernel.h"
#include "violation.h"

namespace {

// The host's stand-in for page frame numbers: the virtual page numbers.
void fillPageNumbers(PMDL Mdl) {
    const auto firstPage = reinterpret_cast<ULONG_PTR>(Mdl->StartVa) >> PAGE_SHIFT;
    const ULONG pages = ADDRESS_AND_SIZE_TO_SPAN_PAGES(MmGetMdlVirtualAddress(Mdl), Mdl->ByteCount);
    for (ULONG page = 0; page < pages; ++page) {
        MmGetMdlPfnArray(Mdl)[page] = firstPage + page;
    }
}

void setFlags(PMDL Mdl, int flags) {
    Mdl->MdlFlags = static_cast<CSHORT>(Mdl->MdlFlags | flags);
}

void clearFlags(PMDL Mdl, int flags) {
    Mdl->MdlFlags = static_cast<CSHORT>(Mdl->MdlFlags & ~flags);
}

}  // namespace

// Building an MDL that already describes locked or partial pages is a
// violation and changes nothing.
extern "C" VOID NTAPI MmBuildMdlForNonPagedPool(PMDL MemoryDescriptorList) {
    if ((MemoryDescriptorList->MdlFlags & (MDL_PAGES_LOCKED | MDL_PARTIAL)) != 0) {
        host::reportViolation("MmBuildMdlForNonPagedPool: the MDL is locked or partial");
        return;
    }
    fillPageNumbers(MemoryDescriptorList);
    MemoryDescriptorList->MappedSystemVa = MmGetMdlVirtualAddress(MemoryDescriptorList);
    setFlags(MemoryDescriptorList, MDL_SOURCE_IS_NONPAGED_POOL);
}

// Locking twice, or above DISPATCH_LEVEL, is a violation and changes
// nothing. User-mode buffers do not exist here; every buffer is valid.
extern "C" VOID NTAPI MmProbeAndLockPages(PMDL MemoryDescriptorList, KPROCESSOR_MODE /*AccessMode*/,
                                          LOCK_OPERATION Operation) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        host::reportViolation("MmProbeAndLockPages called above DISPATCH_LEVEL");
        return;
    }
    if ((MemoryDescriptorList->MdlFlags &
         (MDL_PAGES_LOCKED | MDL_PARTIAL | MDL_SOURCE_IS_NONPAGED_POOL)) != 0) {
        host::reportViolation(
            "MmProbeAndLockPages: the MDL is already locked, partial or "
            "built for non-paged pool");
        return;
    }
    fillPageNumbers(MemoryDescriptorList);
    setFlags(MemoryDescriptorList, MDL_PAGES_LOCKED);
    if (Operation != IoReadAccess) {
        setFlags(MemoryDescriptorList, MDL_WRITE_OPERATION);
    }
}

// Unlocking pages that are not locked is a violation and does nothing.
// A system mapping goes with the lock.
extern "C" VOID NTAPI MmUnlockPages(PMDL MemoryDescriptorList) {
    if ((MemoryDescriptorList->MdlFlags & MDL_PAGES_LOCKED) == 0) {
        host::reportViolation("MmUnlockPages: the pages are not locked");
        return;
    }
    MemoryDescriptorList->MappedSystemVa = nullptr;
    clearFlags(MemoryDescriptorList,
               MDL_PAGES_LOCKED | MDL_MAPPED_TO_SYSTEM_VA | MDL_WRITE_OPERATION);
}

// Mapping needs locked pages (directly, or through the MDL a partial one
// was built from); otherwise a violation returning null. Only kernel-mode
// mappings exist.
extern "C" PVOID NTAPI MmMapLockedPagesSpecifyCache(
    PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode, MEMORY_CACHING_TYPE /*CacheType*/,
    PVOID /*RequestedAddress*/, ULONG /*BugCheckOnFailure*/, ULONG /*Priority*/) {
    if (AccessMode != KernelMode) {
        host::reportViolation(
            "MmMapLockedPagesSpecifyCache: user-mode mappings are not "
            "supported by the driver's platform");
        return nullptr;
    }
    const int mapped = MDL_MAPPED_TO_SYSTEM_VA | MDL_SOURCE_IS_NONPAGED_POOL;
    if ((MemoryDescriptorList->MdlFlags & mapped) != 0) {
        return MemoryDescriptorList->MappedSystemVa;
    }
    if ((MemoryDescriptorList->MdlFlags & (MDL_PAGES_LOCKED | MDL_PARTIAL)) == 0) {
        host::reportViolation("MmMapLockedPagesSpecifyCache: the pages are not locked");
        return nullptr;
    }
    MemoryDescriptorList->MappedSystemVa = MmGetMdlVirtualAddress(MemoryDescriptorList);
    setFlags(MemoryDescriptorList, MDL_MAPPED_TO_SYSTEM_VA);
    if ((MemoryDescriptorList->MdlFlags & MDL_PARTIAL) != 0) {
        setFlags(MemoryDescriptorList, MDL_PARTIAL_HAS_BEEN_MAPPED);
    }
    return MemoryDescriptorList->MappedSystemVa;
}

// Unmapping what is not mapped at BaseAddress is a violation and does
// nothing.
extern "C" VOID NTAPI MmUnmapLockedPages(PVOID BaseAddress, PMDL MemoryDescriptorList) {
    if ((MemoryDescriptorList->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) == 0 ||
        BaseAddress != MemoryDescriptorList->MappedSystemVa) {
        host::reportViolation("MmUnmapLockedPages: the MDL is not mapped at that address");
        return;
    }
    MemoryDescriptorList->MappedSystemVa = nullptr;
    clearFlags(MemoryDescriptorList, MDL_MAPPED_TO_SYSTEM_VA | MDL_PARTIAL_HAS_BEEN_MAPPED);
}
