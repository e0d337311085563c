// What tests and tools use to run an AVStream minidriver on the stand-in
// streaming class the way Windows does: load it (DriverEntry with a fresh
// driver object), plug its device in (Add, Start), stop and remove it, and
// reset the class between tests. Applications' requests (filters, pins,
// properties) go through ks_client.h.
//
//   host::streaming::LoadedDriver driver(DriverEntry);
//   PKSDEVICE device = nullptr;
//   driver.addDevice(bus.deviceObject(), &device);   // bus: host::usb::UsbBus
//   host::streaming::startDevice(device);
//   ... ks_client.h ...
//   host::streaming::removeDevice(device);
//
// Every call here runs on the calling thread, which must be at
// PASSIVE_LEVEL; the class makes the driver's callbacks on it, one at a
// time per device, in the order the Windows class does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "class_faults.h"
#include "ks_api.h"

namespace host::streaming {

// A loaded driver: owns its driver object. Destruction removes the devices
// it still has (as removeDevice), calls DriverUnload if the driver set one
// and deletes the driver object.
class LoadedDriver {
  public:
    // Calls `entry` with a new driver object and the registry path
    // \Registry\Machine\System\CurrentControlSet\Services\<serviceName>.
    explicit LoadedDriver(PDRIVER_INITIALIZE entry, std::string_view serviceName = "bayercam");
    ~LoadedDriver();
    LoadedDriver(const LoadedDriver&) = delete;
    LoadedDriver& operator=(const LoadedDriver&) = delete;

    NTSTATUS entryStatus() const { return entryStatus_; }
    PDRIVER_OBJECT driverObject() const { return driver_; }

    // Plug and play's AddDevice for a device whose PDO is `physicalDevice`
    // (e.g. host::usb::UsbBus::deviceObject()): the class creates the FDO,
    // attaches it above the PDO and the KSDEVICE (Context null, Bag,
    // Started FALSE, FunctionalDeviceObject, PhysicalDeviceObject,
    // NextDeviceObject = the device it attached to), then calls the
    // dispatch's Add. On success *device (if given) is the new device.
    // STATUS_UNSUCCESSFUL if the driver did not call KsInitializeDriver.
    NTSTATUS addDevice(PDEVICE_OBJECT physicalDevice, PKSDEVICE* device = nullptr);

  private:
    PDRIVER_OBJECT driver_ = nullptr;
    std::u16string registryPathText_;
    std::vector<WCHAR> registryPathBuffer_;
    UNICODE_STRING registryPath_{};
    NTSTATUS entryStatus_ = STATUS_UNSUCCESSFUL;
};

// IRP_MN_START_DEVICE: calls Start (with the start IRP and null resource
// lists); on success marks the device Started, creates a factory for each
// filter descriptor in the device descriptor (reference string: its
// ReferenceGuid as "{...}", KSCREATE_ITEM_FREEONSTOP) and calls PostStart.
// Starting a started or removed device is a violation
// (STATUS_INVALID_DEVICE_STATE).
NTSTATUS startDevice(PKSDEVICE device);

// IRP_MN_STOP_DEVICE: closes the filters of the KSCREATE_ITEM_FREEONSTOP
// factories (pins first, each with its Close), calls Stop, frees those
// factories and clears Started. Stopping a device that is not started is a
// violation and does nothing.
void stopDevice(PKSDEVICE device);

// IRP_MN_SURPRISE_REMOVAL: calls SurpriseRemoval. The device stays until
// removeDevice.
void surpriseRemoveDevice(PKSDEVICE device);

// IRP_MN_REMOVE_DEVICE: stops a started device first (as stopDevice),
// calls Remove, closes the remaining filters, frees every factory, empties
// the device's bag (each item's free function, ExFreePool when none),
// detaches and deletes the FDO. The KSDEVICE is gone afterwards. Removing
// a device whose mutex is held is a violation (the removal goes ahead).
void removeDevice(PKSDEVICE device);

// Devices added and not yet removed, oldest first.
std::vector<PKSDEVICE> loadedDevices();

// The fault switches (class_faults.h).
ClassFaults& faults();

// For the test fixture, after every device is gone: clears the faults.
void resetStreamingForTest();

}  // namespace host::streaming
