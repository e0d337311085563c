// LoadedDriver: DriverEntry, AddDevice and unload on the stand-in.
#include <kernel/host_kernel.h>

#include "class_operations.h"
#include "streaming_host.h"

namespace host::streaming::detail {
void forgetDriver(PDRIVER_OBJECT driver);
}  // namespace host::streaming::detail

namespace host::streaming {
namespace {

std::vector<PKSDEVICE> devicesOf(PDRIVER_OBJECT driver) {
    std::vector<PKSDEVICE> devices;
    for (detail::DeviceInstance* device : detail::liveDevices()) {
        if (device->driver == driver) {
            devices.push_back(&device->ks);
        }
    }
    return devices;
}

}  // namespace

LoadedDriver::LoadedDriver(PDRIVER_INITIALIZE entry, std::string_view serviceName) {
    driver_ = host::createDriverObject();
    const std::string path =
        "\\Registry\\Machine\\System\\CurrentControlSet\\Services\\" + std::string(serviceName);
    for (char c : path) {
        registryPathBuffer_.push_back(static_cast<WCHAR>(c));
    }
    registryPathBuffer_.push_back(0);
    registryPath_.Buffer = registryPathBuffer_.data();
    registryPath_.Length = static_cast<USHORT>(path.size() * sizeof(WCHAR));
    registryPath_.MaximumLength = static_cast<USHORT>(registryPathBuffer_.size() * sizeof(WCHAR));
    if (detail::atPassiveLevel("LoadedDriver")) {
        entryStatus_ = entry(driver_, &registryPath_);
    }
}

LoadedDriver::~LoadedDriver() {
    for (PKSDEVICE device : devicesOf(driver_)) {
        removeDevice(device);
    }
    if (NT_SUCCESS(entryStatus_) && driver_->DriverUnload != nullptr) {
        driver_->DriverUnload(driver_);
    }
    detail::forgetDriver(driver_);
    host::deleteDriverObject(driver_);
}

NTSTATUS LoadedDriver::addDevice(PDEVICE_OBJECT physicalDevice, PKSDEVICE* device) {
    if (!detail::atPassiveLevel("AddDevice")) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    PDRIVER_ADD_DEVICE add = driver_->DriverExtension->AddDevice;
    if (add == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    const NTSTATUS status = add(driver_, physicalDevice);
    if (NT_SUCCESS(status) && device != nullptr) {
        std::vector<PKSDEVICE> devices = devicesOf(driver_);
        *device = devices.empty() ? nullptr : devices.back();
    }
    return status;
}

std::vector<PKSDEVICE> loadedDevices() {
    std::vector<PKSDEVICE> devices;
    for (detail::DeviceInstance* device : detail::liveDevices()) {
        devices.push_back(&device->ks);
    }
    return devices;
}

ClassFaults& faults() {
    return classFaults();
}

void resetStreamingForTest() {
    classFaults().reset();
}

}  // namespace host::streaming
