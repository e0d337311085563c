// Driver objects for code that plays a driver on the stand-in (the USB bus
// stand-in, test drivers). On Windows the I/O manager creates a driver's
// DRIVER_OBJECT before DriverEntry; here the owner asks for one, fills
// MajorFunction, creates its devices with IoCreateDevice, and deletes them
// (IoDeleteDevice) before deleting the driver object.
//
// Called at PASSIVE_LEVEL from any thread; the owner serialises its use.
#pragma once

#include "nt_kernel.h"

namespace host {

// A driver object whose every MajorFunction completes the IRP with
// STATUS_INVALID_DEVICE_REQUEST (as the I/O manager's default does), with a
// DriverExtension. Host memory, not pool.
PDRIVER_OBJECT createDriverObject();

// Deleting a driver object that still has devices is a violation and
// deletes nothing.
void deleteDriverObject(PDRIVER_OBJECT driver);

}  // namespace host
