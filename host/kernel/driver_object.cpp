#include "driver_object.h"

#include "violation.h"

namespace {

// The storage behind a driver object: the object and its extension.
struct DriverStorage {
    DRIVER_OBJECT object;
    DRIVER_EXTENSION extension;
};

NTSTATUS NTAPI invalidDeviceRequest(PDEVICE_OBJECT /*DeviceObject*/, PIRP Irp) {
    Irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
    Irp->IoStatus.Information = 0;
    IoCompleteRequest(Irp, IO_NO_INCREMENT);
    return STATUS_INVALID_DEVICE_REQUEST;
}

}  // namespace

namespace host {

PDRIVER_OBJECT createDriverObject() {
    auto* storage = new DriverStorage{};
    DRIVER_OBJECT& driver = storage->object;
    driver.Type = IO_TYPE_DRIVER;
    driver.Size = static_cast<CSHORT>(sizeof(DRIVER_OBJECT));
    driver.DriverExtension = &storage->extension;
    storage->extension.DriverObject = &driver;
    for (PDRIVER_DISPATCH& dispatch : driver.MajorFunction) {
        dispatch = invalidDeviceRequest;
    }
    return &driver;
}

void deleteDriverObject(PDRIVER_OBJECT driver) {
    if (driver->DeviceObject != nullptr) {
        reportViolation("deleting a driver object that still has devices");
        return;
    }
    delete reinterpret_cast<DriverStorage*>(driver);
}

}  // namespace host
