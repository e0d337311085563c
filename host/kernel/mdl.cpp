// MDL allocation and partial MDLs on the stand-in: IoAllocateMdl,
// IoFreeMdl, IoBuildPartialMdl, MmSizeOfMdl. An allocated MDL is one pool
// block under 'Mdl ': the MDL and its PFN array, sized for the pages the
// buffer spans.
#include <string>

#include "mdl_registry.h"
#include "pool_tags.h"
#include "violation.h"

namespace {

// An MDL's Size field and the pool request behind it stay below this.
constexpr SIZE_T kLargestMdl = 0x7FFF;

bool aboveDispatch(const char* caller) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        host::reportViolation(std::string(caller) + " called above DISPATCH_LEVEL");
        return true;
    }
    return false;
}

void appendMdl(PIRP Irp, PMDL Mdl, BOOLEAN SecondaryBuffer) {
    if (!SecondaryBuffer || Irp->MdlAddress == nullptr) {
        Irp->MdlAddress = Mdl;
        return;
    }
    PMDL last = Irp->MdlAddress;
    while (last->Next != nullptr) {
        last = last->Next;
    }
    last->Next = Mdl;
}

// The rule a partial MDL request breaks, or null.
const char* partialRuleBroken(PMDL Source, PMDL Target, PUCHAR address, ULONG length) {
    const auto lockedFlags = MDL_PAGES_LOCKED | MDL_SOURCE_IS_NONPAGED_POOL | MDL_PARTIAL;
    if ((Source->MdlFlags & lockedFlags) == 0) {
        return "IoBuildPartialMdl: the source MDL describes no locked or non-paged pages";
    }
    const auto* first = static_cast<PUCHAR>(MmGetMdlVirtualAddress(Source));
    if (address < first || address + length > first + Source->ByteCount) {
        return "IoBuildPartialMdl: the range lies outside the source MDL's buffer";
    }
    if (static_cast<SIZE_T>(Target->Size) < MmSizeOfMdl(address, length)) {
        return "IoBuildPartialMdl: the target MDL is too small for the range";
    }
    return nullptr;
}

}  // namespace

extern "C" SIZE_T NTAPI MmSizeOfMdl(PVOID Base, SIZE_T Length) {
    return sizeof(MDL) + sizeof(PFN_NUMBER) * ADDRESS_AND_SIZE_TO_SPAN_PAGES(Base, Length);
}

// Null for a buffer too large to describe, or when the pool fails. With an
// IRP, the MDL becomes its MdlAddress (or is chained after it when
// SecondaryBuffer is set).
extern "C" PMDL NTAPI IoAllocateMdl(PVOID VirtualAddress, ULONG Length, BOOLEAN SecondaryBuffer,
                                    BOOLEAN /*ChargeQuota*/, PIRP Irp) {
    if (aboveDispatch("IoAllocateMdl")) {
        return nullptr;
    }
    const SIZE_T size = MmSizeOfMdl(VirtualAddress, Length);
    if (size > kLargestMdl) {
        return nullptr;
    }
    auto* mdl = static_cast<PMDL>(ExAllocatePoolWithTag(NonPagedPoolNx, size, host::kMdlPoolTag));
    if (mdl == nullptr) {
        return nullptr;
    }
    MmInitializeMdl(mdl, VirtualAddress, Length);
    std::memset(MmGetMdlPfnArray(mdl), 0, size - sizeof(MDL));
    host::detail::registerMdl(mdl);
    if (Irp != nullptr) {
        appendMdl(Irp, mdl, SecondaryBuffer);
    }
    return mdl;
}

// Freeing an unknown MDL, or one whose pages are still locked (a partial
// MDL excepted), is a violation and frees nothing.
extern "C" VOID NTAPI IoFreeMdl(PMDL Mdl) {
    if (aboveDispatch("IoFreeMdl")) {
        return;
    }
    if (!host::detail::isLiveMdl(Mdl)) {
        host::reportViolation("IoFreeMdl: the MDL was not allocated by IoAllocateMdl");
        return;
    }
    if ((Mdl->MdlFlags & MDL_PARTIAL) == 0 && (Mdl->MdlFlags & MDL_PAGES_LOCKED) != 0) {
        host::reportViolation("IoFreeMdl: the pages are still locked (MmUnlockPages first)");
        return;
    }
    host::detail::unregisterMdl(Mdl);
    ExFreePoolWithTag(Mdl, host::kMdlPoolTag);
}

// Length zero means "to the end of the source buffer". The target inherits
// the source's non-paged and mapping state, so MmGetSystemAddressForMdlSafe
// on it needs no mapping of its own. A broken rule is a violation and
// leaves the target untouched.
extern "C" VOID NTAPI IoBuildPartialMdl(PMDL SourceMdl, PMDL TargetMdl, PVOID VirtualAddress,
                                        ULONG Length) {
    auto* address = static_cast<PUCHAR>(VirtualAddress);
    auto* first = static_cast<PUCHAR>(MmGetMdlVirtualAddress(SourceMdl));
    const SIZE_T offset = static_cast<SIZE_T>(address - first);
    if (Length == 0 && address >= first) {
        Length = SourceMdl->ByteCount - static_cast<ULONG>(offset);
    }
    if (const char* broken = partialRuleBroken(SourceMdl, TargetMdl, address, Length)) {
        host::reportViolation(broken);
        return;
    }
    const auto keptFlags = TargetMdl->MdlFlags & MDL_ALLOCATED_FIXED_SIZE;
    const auto inherited = SourceMdl->MdlFlags & MDL_SOURCE_IS_NONPAGED_POOL;
    TargetMdl->MdlFlags = static_cast<CSHORT>(keptFlags | inherited | MDL_PARTIAL);
    TargetMdl->Process = SourceMdl->Process;
    TargetMdl->StartVa = PAGE_ALIGN(address);
    TargetMdl->ByteOffset = BYTE_OFFSET(address);
    TargetMdl->ByteCount = Length;
    TargetMdl->MappedSystemVa = nullptr;
    if ((SourceMdl->MdlFlags & (MDL_MAPPED_TO_SYSTEM_VA | MDL_SOURCE_IS_NONPAGED_POOL)) != 0) {
        TargetMdl->MappedSystemVa = static_cast<PUCHAR>(SourceMdl->MappedSystemVa) + offset;
        if ((SourceMdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) != 0) {
            TargetMdl->MdlFlags =
                static_cast<CSHORT>(TargetMdl->MdlFlags | MDL_PARENT_MAPPED_SYSTEM_VA);
        }
    }
    const auto firstPage = (reinterpret_cast<ULONG_PTR>(PAGE_ALIGN(address)) -
                            reinterpret_cast<ULONG_PTR>(SourceMdl->StartVa)) >>
                           PAGE_SHIFT;
    std::memcpy(MmGetMdlPfnArray(TargetMdl), MmGetMdlPfnArray(SourceMdl) + firstPage,
                sizeof(PFN_NUMBER) * ADDRESS_AND_SIZE_TO_SPAN_PAGES(address, Length));
}
