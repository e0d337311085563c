// IofCallDriver on the stand-in: hands an IRP to the driver of the device
// below, on the calling thread, as the Windows I/O manager does.
#include <string>

#include "irp_registry.h"
#include "thread_state.h"
#include "violation.h"

namespace {

// Checked before the IRP moves. Reported rules let the call go ahead,
// except for an unknown IRP or a missing stack location (nothing sensible
// to call with).
bool callAllowed(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        host::reportViolation("IoCallDriver called above DISPATCH_LEVEL");
    }
    // The lower driver may complete the IRP on this thread, and the
    // completion routine may take the very lock the caller still holds.
    if (host::spinLocksHeld() > 0) {
        host::reportViolation("IoCallDriver called while holding a spin lock");
    }
    if (!host::detail::findIrp(Irp)) {
        host::reportViolation("IoCallDriver: the IRP is not allocated");
        return false;
    }
    if (Irp->CurrentLocation <= 1) {
        host::reportViolation("IoCallDriver: no stack location left for " +
                              std::string("the lower driver (stack size too small)"));
        return false;
    }
    if (DeviceObject == nullptr || DeviceObject->DriverObject == nullptr) {
        host::reportViolation("IoCallDriver: no device object, or one without a driver");
        return false;
    }
    return true;
}

}  // namespace

// A broken rule that stops the call returns STATUS_INVALID_PARAMETER with
// the IRP untouched and still the caller's.
extern "C" NTSTATUS NTAPI IofCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    if (!callAllowed(DeviceObject, Irp)) {
        return STATUS_INVALID_PARAMETER;
    }
    IoSetNextIrpStackLocation(Irp);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    stack->DeviceObject = DeviceObject;
    if (stack->MajorFunction > IRP_MJ_MAXIMUM_FUNCTION) {
        host::reportViolation("IoCallDriver: major function code out of range");
        IoSkipCurrentIrpStackLocation(Irp);
        return STATUS_INVALID_PARAMETER;
    }
    host::detail::noteIrpSent(Irp);
    PDRIVER_DISPATCH dispatch = DeviceObject->DriverObject->MajorFunction[stack->MajorFunction];
    return dispatch(DeviceObject, Irp);
}
