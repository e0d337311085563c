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

NTSTATUS CallLowerDeviceSync(UsbTransport* transport, ULONG ioControlCode, PVOID argument1) {
    KEVENT done;
    IO_STATUS_BLOCK ioStatus;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    RtlZeroMemory(&ioStatus, sizeof(ioStatus));

    PIRP irp = IoBuildDeviceIoControlRequest(ioControlCode, transport->lowerDevice, nullptr, 0,
                                             nullptr, 0, TRUE, &done, &ioStatus);
    if (irp == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = argument1;

    NTSTATUS status = IoCallDriver(transport->lowerDevice, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
        status = ioStatus.Status;
    }
    return status;
}

NTSTATUS SubmitUrbSync(UsbTransport* transport, PURB urb) {
    return CallLowerDeviceSync(transport, IOCTL_INTERNAL_USB_SUBMIT_URB, urb);
}
