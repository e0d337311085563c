// IofCompleteRequest on the stand-in: unwinds an IRP's stack locations from
// the current one up, calling each completion routine its flags ask for, on
// the calling thread at its IRQL, as the Windows I/O manager does.
#include <string>

#include "irp_registry.h"
#include "threaded_irp.h"
#include "violation.h"

namespace {

using host::detail::IrpRecord;

bool wantsRoutine(PIRP Irp, const IO_STACK_LOCATION& stack) {
    const NTSTATUS status = Irp->IoStatus.Status;
    return stack.CompletionRoutine != nullptr &&
           ((NT_SUCCESS(status) && (stack.Control & SL_INVOKE_ON_SUCCESS) != 0) ||
            (!NT_SUCCESS(status) && (stack.Control & SL_INVOKE_ON_ERROR) != 0) ||
            (__atomic_load_n(&Irp->Cancel, __ATOMIC_SEQ_CST) &&
             (stack.Control & SL_INVOKE_ON_CANCEL) != 0));
}

// What the I/O manager leaves of a location it has passed.
void zeroStackLocation(PIO_STACK_LOCATION stack) {
    stack->MinorFunction = 0;
    stack->Flags = 0;
    stack->Control = 0;
    stack->Parameters.Others = {};
    stack->FileObject = nullptr;
    stack->CompletionRoutine = nullptr;
    stack->Context = nullptr;
}

bool pastTop(PIRP Irp) {
    return Irp->CurrentLocation > Irp->StackCount;
}

// Rules checked before the IRP is touched; false stops the completion.
bool completionAllowed(PIRP Irp, IrpRecord& record) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        host::reportViolation("IoCompleteRequest called above DISPATCH_LEVEL");
    }
    if (const char* broken = host::detail::beginCompletion(Irp, record)) {
        host::reportViolation(broken);
        return false;
    }
    if (IoSetCancelRoutine(Irp, nullptr) != nullptr) {
        host::reportViolation("IoCompleteRequest: the IRP still has a cancel routine");
    }
    if (Irp->IoStatus.Status == STATUS_PENDING) {
        host::reportViolation("IoCompleteRequest with status STATUS_PENDING");
    }
    return true;
}

// Calls the location's routine. False when completion must stop here: the
// routine took the IRP back (STATUS_MORE_PROCESSING_REQUIRED) or broke the
// rules by sending it on without doing so.
bool runCompletionRoutine(PIRP Irp, PIO_STACK_LOCATION stack, const IrpRecord& record) {
    const PIO_COMPLETION_ROUTINE routine = stack->CompletionRoutine;
    PVOID context = stack->Context;
    zeroStackLocation(stack);
    PDEVICE_OBJECT device =
        pastTop(Irp) ? nullptr : IoGetCurrentIrpStackLocation(Irp)->DeviceObject;
    host::detail::noteRoutineRunning(Irp, record.generation);
    const NTSTATUS status = routine(device, Irp, context);
    // From here the IRP may belong to someone else: only the registry is
    // consulted before it is touched again.
    if (status == STATUS_MORE_PROCESSING_REQUIRED) {
        host::detail::noteIrpReturned(Irp, record.generation);
        return false;
    }
    if (!host::detail::resumeCompletion(Irp, record.generation)) {
        host::reportViolation(
            "completion routine let completion go on, but the IRP was sent, "
            "completed or freed meanwhile (STATUS_MORE_PROCESSING_REQUIRED "
            "was needed)");
        return false;
    }
    // The sender's own location is the last: above it there is nobody who
    // could finish the IRP, and its sender will free it later.
    if (!record.threaded && pastTop(Irp)) {
        host::reportViolation(
            "completion routine of an IRP from IoAllocateIrp returned a status other than "
            "STATUS_MORE_PROCESSING_REQUIRED");
    }
    return true;
}

// Completion ran past the last location: only a request the I/O manager
// built may get here.
void finishAtTop(PIRP Irp, const IrpRecord& record) {
    if (record.threaded) {
        host::detail::finishThreadedIrp(Irp, record);
        return;
    }
    host::detail::noteIrpCompleted(Irp);
    host::reportViolation(
        "IoCompleteRequest: an IRP from IoAllocateIrp completed to the top (completed twice, or "
        "its completion routine did not return STATUS_MORE_PROCESSING_REQUIRED)");
}

}  // namespace

extern "C" VOID NTAPI IofCompleteRequest(PIRP Irp, CCHAR /*PriorityBoost*/) {
    IrpRecord record;
    if (!completionAllowed(Irp, record)) {
        return;
    }
    while (!pastTop(Irp)) {
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
        IoSkipCurrentIrpStackLocation(Irp);
        Irp->PendingReturned = (stack->Control & SL_PENDING_RETURNED) != 0;
        if (wantsRoutine(Irp, *stack)) {
            if (!runCompletionRoutine(Irp, stack, record)) {
                return;
            }
            continue;
        }
        // No routine to decide: the pending mark moves up to the caller.
        if (Irp->PendingReturned && !pastTop(Irp)) {
            IoMarkIrpPending(Irp);
        }
        zeroStackLocation(stack);
    }
    finishAtTop(Irp, record);
}
