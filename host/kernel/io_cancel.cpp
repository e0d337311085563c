// IRP cancellation on the stand-in: the system-wide cancel spin lock and
// IoCancelIrp, as on Windows. IoCancelIrp marks the IRP cancelled under
// the cancel spin lock, so a driver that tests Irp->Cancel while holding
// that lock is ordered with it.
#include "io_cancel.h"
#include "irp_registry.h"
#include "thread_state.h"
#include "violation.h"

namespace {

KSPIN_LOCK cancelSpinLock = 0;

bool heldByThisThread() {
    return __atomic_load_n(&cancelSpinLock, __ATOMIC_RELAXED) == host::detail::threadToken();
}

}  // namespace

namespace host::detail {

void resetCancelSpinLockForTest() {
    __atomic_store_n(&cancelSpinLock, ULONG_PTR{0}, __ATOMIC_RELEASE);
}

}  // namespace host::detail

extern "C" VOID NTAPI IoAcquireCancelSpinLock(PKIRQL Irql) {
    KeAcquireSpinLock(&cancelSpinLock, Irql);
}

extern "C" VOID NTAPI IoReleaseCancelSpinLock(KIRQL Irql) {
    KeReleaseSpinLock(&cancelSpinLock, Irql);
}

// Returns TRUE if a cancel routine was called. The routine runs on this
// thread with the cancel spin lock held and Irp->CancelIrql set, and must
// release the lock (IoReleaseCancelSpinLock(Irp->CancelIrql)); returning
// with it held is a violation, and the lock is released for it.
extern "C" BOOLEAN NTAPI IoCancelIrp(PIRP Irp) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        host::reportViolation("IoCancelIrp called above DISPATCH_LEVEL");
        return FALSE;
    }
    if (!host::detail::findIrp(Irp)) {
        host::reportViolation("IoCancelIrp: the IRP is not allocated");
        return FALSE;
    }
    KIRQL irql = PASSIVE_LEVEL;
    IoAcquireCancelSpinLock(&irql);
    __atomic_store_n(&Irp->Cancel, BOOLEAN{TRUE}, __ATOMIC_SEQ_CST);
    const PDRIVER_CANCEL routine = IoSetCancelRoutine(Irp, nullptr);
    if (routine == nullptr) {
        IoReleaseCancelSpinLock(irql);
        return FALSE;
    }
    Irp->CancelIrql = irql;
    // The device of the driver holding the IRP; none if it was never sent.
    PDEVICE_OBJECT device = Irp->CurrentLocation <= Irp->StackCount
                                ? IoGetCurrentIrpStackLocation(Irp)->DeviceObject
                                : nullptr;
    routine(device, Irp);
    if (heldByThisThread()) {
        host::reportViolation("cancel routine returned holding the cancel spin lock");
        IoReleaseCancelSpinLock(irql);
    }
    return TRUE;
}
