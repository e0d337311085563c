// The bus's driver object and the device object it creates for the device
// on its port: the physical device object (PDO) a function driver attaches
// above, whose dispatch routines hand requests to the BusCore.
//
// createBusDeviceObject and deleteBusDeviceObject run at PASSIVE_LEVEL on
// the thread that builds or tears down the bus; delete only after the
// BusCore shut down (no request queued, no cancel routine running).
#pragma once

#include "usb_api.h"

namespace host::usb {

class BusCore;

struct BusDeviceObject {
    PDRIVER_OBJECT driver = nullptr;  // from host::createDriverObject
    PDEVICE_OBJECT device = nullptr;
};

// Null device on failure (IoCreateDevice's pool allocation can fail).
BusDeviceObject createBusDeviceObject(BusCore& core);
void deleteBusDeviceObject(BusDeviceObject& object);

// The cancel routine of every IRP the bus queues.
VOID NTAPI busCancelRoutine(PDEVICE_OBJECT DeviceObject, PIRP Irp);

}  // namespace host::usb
