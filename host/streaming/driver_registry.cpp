// Driver load and AddDevice on the stand-in class: KsInitializeDriver keeps
// the device descriptor per driver object and installs the class's
// AddDevice, which builds the FDO and the KSDEVICE.
#include <map>
#include <mutex>

#include <kernel/host_kernel.h>

#include "class_operations.h"
#include "streaming_host.h"

namespace host::streaming::detail {
namespace {

std::mutex descriptorsLock;
std::map<PDRIVER_OBJECT, const KSDEVICE_DESCRIPTOR*>& descriptors() {
    static auto* map = new std::map<PDRIVER_OBJECT, const KSDEVICE_DESCRIPTOR*>;
    return *map;
}

const KSDEVICE_DESCRIPTOR* descriptorOf(PDRIVER_OBJECT driver) {
    std::lock_guard lock(descriptorsLock);
    auto found = descriptors().find(driver);
    return found == descriptors().end() ? nullptr : found->second;
}

// The FDO's extension holds the device, as KS's device header does.
NTSTATUS createFunctionalDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT physical,
                                DeviceInstance& device) {
    PDEVICE_OBJECT fdo = nullptr;
    NTSTATUS status = IoCreateDevice(driver, sizeof(DeviceInstance*), nullptr, FILE_DEVICE_KS,
                                     FILE_DEVICE_SECURE_OPEN, FALSE, &fdo);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    *static_cast<DeviceInstance**>(fdo->DeviceExtension) = &device;
    device.ks.FunctionalDeviceObject = fdo;
    device.ks.PhysicalDeviceObject = physical;
    device.ks.NextDeviceObject = IoAttachDeviceToDeviceStack(fdo, physical);
    return STATUS_SUCCESS;
}

void deleteFunctionalDevice(DeviceInstance& device) {
    IoDetachDevice(device.ks.NextDeviceObject);
    IoDeleteDevice(device.ks.FunctionalDeviceObject);
}

void forgetDevice(DeviceInstance* device) {
    noteDevice(device, false);
    unregisterObject(&device->ks);
}

NTSTATUS NTAPI classAddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT physical) {
    const KSDEVICE_DESCRIPTOR* descriptor = descriptorOf(driver);
    if (descriptor == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    auto device = std::make_unique<DeviceInstance>();
    device->driver = driver;
    device->ks.Descriptor = descriptor;
    device->ks.Bag = device->bag.handle();
    device->ks.SystemPowerState = PowerSystemWorking;
    device->ks.DevicePowerState = PowerDeviceD0;
    NTSTATUS status = createFunctionalDevice(driver, physical, *device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    registerObject(&device->ks, KsObjectTypeDevice, device.get());
    noteDevice(device.get(), true);
    const KSDEVICE_DISPATCH* dispatch = descriptor->Dispatch;
    if (dispatch != nullptr && dispatch->Add != nullptr) {
        std::lock_guard lock(device->dispatchLock);
        status = dispatch->Add(&device->ks);
    }
    if (!NT_SUCCESS(status)) {
        forgetDevice(device.get());
        device->bag.empty();
        deleteFunctionalDevice(*device);
        return status;
    }
    device->ks.FunctionalDeviceObject->Flags &= ~static_cast<ULONG>(DO_DEVICE_INITIALIZING);
    device.release();  // owned through the registry until removeDevice
    return STATUS_SUCCESS;
}

}  // namespace

// Frees what classAddDevice built; the device's lists are already empty.
void destroyDevice(DeviceInstance* device) {
    forgetDevice(device);
    device->bag.empty();
    deleteFunctionalDevice(*device);
    delete device;
}

void forgetDriver(PDRIVER_OBJECT driver) {
    std::lock_guard lock(descriptorsLock);
    descriptors().erase(driver);
}

}  // namespace host::streaming::detail

extern "C" NTSTATUS NTAPI KsInitializeDriver(PDRIVER_OBJECT DriverObject,
                                             PUNICODE_STRING /*RegistryPathName*/,
                                             const KSDEVICE_DESCRIPTOR* Descriptor) {
    using namespace host::streaming::detail;
    if (!atPassiveLevel("KsInitializeDriver")) {
        return STATUS_INVALID_PARAMETER;
    }
    {
        std::lock_guard lock(descriptorsLock);
        descriptors()[DriverObject] = Descriptor;
    }
    DriverObject->DriverExtension->AddDevice = classAddDevice;
    return STATUS_SUCCESS;
}
