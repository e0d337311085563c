// IRP allocation on the stand-in: IoAllocateIrp, IoInitializeIrp,
// IoReuseIrp and IoFreeIrp. An IRP is one pool block under 'Irp ': the IRP
// followed by its stack locations, the current location starting one past
// the last (the allocator owns none of them).
#include <string>

#include "irp_registry.h"
#include "mdl_registry.h"
#include "pool_tags.h"
#include "violation.h"

namespace {

PIO_STACK_LOCATION stackBase(PIRP Irp) {
    return reinterpret_cast<PIO_STACK_LOCATION>(Irp + 1);
}

// The rule freeing or reusing the IRP breaks, or null.
const char* ruleBrokenByRelease(PIRP Irp) {
    const auto record = host::detail::findIrp(Irp);
    if (!record) {
        return "the IRP is not allocated";
    }
    // kInRoutine is fine: a completion routine (or the thread it woke) may
    // free or reuse the IRP it takes back with
    // STATUS_MORE_PROCESSING_REQUIRED.
    if (record->state == host::detail::IrpState::kSent ||
        record->state == host::detail::IrpState::kCompleting) {
        return "the IRP is still pending in a lower driver";
    }
    if (Irp->MdlAddress != nullptr && host::detail::isLiveMdl(Irp->MdlAddress)) {
        return "MdlAddress still holds an MDL (IoFreeMdl it first; IoFreeIrp does not)";
    }
    return nullptr;
}

bool releaseAllowed(PIRP Irp, const char* caller) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        host::reportViolation(std::string(caller) + " called above DISPATCH_LEVEL");
        return false;
    }
    if (const char* broken = ruleBrokenByRelease(Irp)) {
        host::reportViolation(std::string(caller) + ": " + broken);
        return false;
    }
    return true;
}

void initialize(PIRP Irp, USHORT PacketSize, CCHAR StackSize) {
    std::memset(Irp, 0, PacketSize);
    Irp->Type = IO_TYPE_IRP;
    Irp->Size = PacketSize;
    Irp->StackCount = StackSize;
    Irp->CurrentLocation = static_cast<CHAR>(StackSize + 1);
    InitializeListHead(&Irp->ThreadListEntry);
    Irp->Tail.Overlay.CurrentStackLocation = stackBase(Irp) + StackSize;
}

}  // namespace

// A stack size below 1 is a violation and returns null. Null also when the
// pool fails (failure injection reaches IRPs through their tag).
extern "C" PIRP NTAPI IoAllocateIrp(CCHAR StackSize, BOOLEAN /*ChargeQuota*/) {
    if (StackSize < 1) {
        host::reportViolation("IoAllocateIrp: stack size below 1");
        return nullptr;
    }
    const USHORT size = IoSizeOfIrp(StackSize);
    auto* irp = static_cast<PIRP>(ExAllocatePoolWithTag(NonPagedPoolNx, size, host::kIrpPoolTag));
    if (irp == nullptr) {
        return nullptr;
    }
    initialize(irp, size, StackSize);
    host::detail::registerIrp(irp, true);
    return irp;
}

// For an IRP in the caller's own storage of IoSizeOfIrp(StackSize) bytes.
extern "C" VOID NTAPI IoInitializeIrp(PIRP Irp, USHORT PacketSize, CCHAR StackSize) {
    initialize(Irp, PacketSize, StackSize);
    host::detail::registerIrp(Irp, false);
}

// Returns the IRP to its freshly allocated state with IoStatus.Status set.
// Reusing a pending IRP, one built by IoBuildDeviceIoControlRequest or one
// with a cancel routine set is a violation and does nothing.
extern "C" VOID NTAPI IoReuseIrp(PIRP Irp, NTSTATUS Iostatus) {
    if (!releaseAllowed(Irp, "IoReuseIrp")) {
        return;
    }
    const auto record = host::detail::findIrp(Irp);
    if (record->threaded) {
        host::reportViolation("IoReuseIrp: the IRP was built by IoBuildDeviceIoControlRequest");
        return;
    }
    if (Irp->CancelRoutine != nullptr) {
        host::reportViolation("IoReuseIrp: a cancel routine is still set");
        return;
    }
    const UCHAR allocationFlags = Irp->AllocationFlags;
    initialize(Irp, Irp->Size, Irp->StackCount);
    Irp->AllocationFlags = allocationFlags;
    Irp->IoStatus.Status = Iostatus;
    host::detail::registerIrp(Irp, record->pooled);
}

// Freeing an IRP that is unknown, still pending below or still carrying a
// live MDL is a violation and frees nothing. An IRP built by
// IoBuildDeviceIoControlRequest is the I/O manager's to free: a violation,
// but it is freed.
extern "C" VOID NTAPI IoFreeIrp(PIRP Irp) {
    if (!releaseAllowed(Irp, "IoFreeIrp")) {
        return;
    }
    const auto record = host::detail::findIrp(Irp);
    if (record->threaded) {
        host::reportViolation(
            "IoFreeIrp: the IRP was built by IoBuildDeviceIoControlRequest; its completion "
            "frees it");
    }
    if (!record->pooled) {
        host::reportViolation("IoFreeIrp: the IRP is in the caller's storage");
        return;
    }
    host::detail::unregisterIrp(Irp);
    ExFreePoolWithTag(Irp, host::kIrpPoolTag);
}
