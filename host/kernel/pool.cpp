// ExAllocatePoolWithTag / ExFreePoolWithTag / ExFreePool on the stand-in:
// the IRQL and argument rules a verified driver must keep, on top of the
// pool ledger's block tracking.
#include <optional>
#include <string>

#include "nt_kernel.h"
#include "pool_ledger.h"
#include "violation.h"

namespace {

bool knownPoolType(POOL_TYPE type) {
    return type == NonPagedPool || type == PagedPool || type == NonPagedPoolNx;
}

// The rule an allocation request breaks, or null.
const char* allocationRuleBroken(POOL_TYPE type, SIZE_T size, ULONG tag) {
    const KIRQL irql = KeGetCurrentIrql();
    if (irql > DISPATCH_LEVEL) {
        return "ExAllocatePoolWithTag called above DISPATCH_LEVEL";
    }
    if (!knownPoolType(type)) {
        return "ExAllocatePoolWithTag: pool type not supported by the driver's platform";
    }
    if (type == PagedPool && irql > APC_LEVEL) {
        return "ExAllocatePoolWithTag: paged pool requested above APC_LEVEL";
    }
    if (size == 0) {
        return "ExAllocatePoolWithTag: zero-byte allocation";
    }
    if (tag == 0) {
        return "ExAllocatePoolWithTag: pool tag of zero";
    }
    return nullptr;
}

void freeBlock(PVOID block, std::optional<ULONG> tag, const char* caller) {
    const KIRQL irql = KeGetCurrentIrql();
    if (irql > DISPATCH_LEVEL) {
        host::reportViolation(std::string(caller) + " called above DISPATCH_LEVEL");
        return;
    }
    const std::string broken = host::poolLedger().release(block, tag, irql <= APC_LEVEL, caller);
    if (!broken.empty()) {
        host::reportViolation(broken);
    }
}

}  // namespace

// A broken rule is a violation and returns null. The block is not zeroed.
extern "C" PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag) {
    if (const char* broken = allocationRuleBroken(PoolType, NumberOfBytes, Tag)) {
        host::reportViolation(broken);
        return nullptr;
    }
    return host::poolLedger().allocate(NumberOfBytes, Tag, PoolType);
}

extern "C" VOID NTAPI ExFreePoolWithTag(PVOID P, ULONG Tag) {
    freeBlock(P, Tag, "ExFreePoolWithTag");
}

extern "C" VOID NTAPI ExFreePool(PVOID P) {
    freeBlock(P, std::nullopt, "ExFreePool");
}
