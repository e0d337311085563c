// Synchronous requests to the lower device: the primitive every USB
// operation of the driver rests on.
#include "usb_transport.h"

void InitializeUsbTransport(UsbTransport* transport, PDEVICE_OBJECT physicalDevice,
                            PDEVICE_OBJECT lowerDevice, PDEVICE_OBJECT functionalDevice) {
    RtlZeroMemory(transport, sizeof(*transport));
    transport->physicalDevice = physicalDevice;
    transport->lowerDevice = lowerDevice;
    transport->functionalDevice = functionalDevice;
    KeInitializeEvent(&transport->readDone, NotificationEvent, FALSE);
    KeInitializeEvent(&transport->cancellersIdle, NotificationEvent, TRUE);
    KeInitializeEvent(&transport->chunkFailed, NotificationEvent, FALSE);
    KeInitializeSpinLock(&transport->readLock);
}

namespace {

NTSTATUS NTAPI LowerRequestDone(PDEVICE_OBJECT /*device*/, PIRP /*irp*/, PVOID context) {
    KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;  // the IRP is the sender's to free
}

}  // namespace

NTSTATUS CallLowerDeviceSync(UsbTransport* transport, ULONG ioControlCode, PVOID argument1) {
    // An IRP of our own, not one the I/O manager builds: it stays ours
    // after completion, so it can still be cancelled safely after the wait
    // timed out, however the completion races with the time-out.
    PIRP irp = IoAllocateIrp(transport->lowerDevice->StackSize, FALSE);
    if (irp == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = ioControlCode;
    next->Parameters.Others.Argument1 = argument1;
    IoSetCompletionRoutine(irp, LowerRequestDone, &done, TRUE, TRUE, TRUE);

    IoCallDriver(transport->lowerDevice, irp);
    LARGE_INTEGER timeout;
    timeout.QuadPart = -static_cast<LONGLONG>(kLowerRequestTimeoutMs) * 10000;
    NTSTATUS status = STATUS_SUCCESS;
    if (KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, &timeout) == STATUS_TIMEOUT) {
        // The lower driver completes a cancelled request promptly; only
        // then may the IRP, and whatever its URB points to, be freed.
        IoCancelIrp(irp);
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
        status = STATUS_IO_TIMEOUT;
    } else {
        status = irp->IoStatus.Status;
    }
    IoFreeIrp(irp);
    return status;
}

NTSTATUS SubmitUrbSync(UsbTransport* transport, PURB urb) {
    return CallLowerDeviceSync(transport, IOCTL_INTERNAL_USB_SUBMIT_URB, urb);
}
