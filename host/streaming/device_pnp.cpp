// Plug and play of a device on the stand-in class: start, stop, surprise
// removal and removal, with the minidriver's device dispatch called as the
// Windows class calls it.
#include <string>

#include <kernel/host_kernel.h>

#include "class_irp.h"
#include "class_operations.h"
#include "streaming_host.h"

namespace host::streaming::detail {
void destroyDevice(DeviceInstance* device);
}  // namespace host::streaming::detail

namespace host::streaming {
namespace {

using detail::ClassIrp;
using detail::DeviceInstance;

const KSDEVICE_DISPATCH* dispatchOf(const DeviceInstance& device) {
    return device.ks.Descriptor->Dispatch;
}

DeviceInstance* deviceFor(PKSDEVICE device, const char* caller) {
    if (!detail::atPassiveLevel(caller)) {
        return nullptr;
    }
    DeviceInstance* instance = detail::liveDevice(device);
    if (instance == nullptr) {
        host::reportViolation(std::string(caller) + ": not a live device");
    }
    return instance;
}

// Runs a void PnP callback with its IRP, if the driver has one.
void callIrpVoid(DeviceInstance& device, PFNKSDEVICEIRPVOID callback, UCHAR minor) {
    if (callback == nullptr) {
        return;
    }
    ClassIrp irp(device.ks.FunctionalDeviceObject, IRP_MJ_PNP, minor);
    callback(&device.ks, irp.irp());
}

void createDescriptorFactories(DeviceInstance& device) {
    const KSDEVICE_DESCRIPTOR* descriptor = device.ks.Descriptor;
    for (ULONG i = 0; i < descriptor->FilterDescriptorsCount; ++i) {
        const KSFILTER_DESCRIPTOR* filter = descriptor->FilterDescriptors[i];
        std::u16string reference;
        if (filter->ReferenceGuid != nullptr) {
            reference = detail::guidString(*filter->ReferenceGuid);
        }
        detail::createFactory(device, filter, reference, KSCREATE_ITEM_FREEONSTOP, nullptr, nullptr,
                              nullptr);
    }
}

NTSTATUS start(DeviceInstance& device) {
    const KSDEVICE_DISPATCH* dispatch = dispatchOf(device);
    NTSTATUS status = STATUS_SUCCESS;
    if (dispatch != nullptr && dispatch->Start != nullptr) {
        ClassIrp irp(device.ks.FunctionalDeviceObject, IRP_MJ_PNP, IRP_MN_START_DEVICE);
        if (irp.irp() == nullptr) {
            return STATUS_INSUFFICIENT_RESOURCES;
        }
        status = dispatch->Start(&device.ks, irp.irp(), nullptr, nullptr);
    }
    if (!NT_SUCCESS(status)) {
        return status;
    }
    device.ks.Started = TRUE;
    createDescriptorFactories(device);
    if (dispatch != nullptr && dispatch->PostStart != nullptr) {
        status = dispatch->PostStart(&device.ks);
    }
    return status;
}

void stop(DeviceInstance& device) {
    detail::closeFactoryFilters(device, true);
    callIrpVoid(device, dispatchOf(device) ? dispatchOf(device)->Stop : nullptr,
                IRP_MN_STOP_DEVICE);
    detail::freeFactories(device, true);
    device.ks.Started = FALSE;
}

}  // namespace

NTSTATUS startDevice(PKSDEVICE device) {
    DeviceInstance* instance = deviceFor(device, "startDevice");
    if (instance == nullptr) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    std::lock_guard lock(instance->dispatchLock);
    if (instance->ks.Started || instance->surpriseRemoved) {
        host::reportViolation("startDevice: the device is started or removed");
        return STATUS_INVALID_DEVICE_STATE;
    }
    return start(*instance);
}

void stopDevice(PKSDEVICE device) {
    DeviceInstance* instance = deviceFor(device, "stopDevice");
    if (instance == nullptr) {
        return;
    }
    std::lock_guard lock(instance->dispatchLock);
    if (!instance->ks.Started) {
        host::reportViolation("stopDevice: the device is not started");
        return;
    }
    stop(*instance);
}

void surpriseRemoveDevice(PKSDEVICE device) {
    DeviceInstance* instance = deviceFor(device, "surpriseRemoveDevice");
    if (instance == nullptr) {
        return;
    }
    std::lock_guard lock(instance->dispatchLock);
    instance->surpriseRemoved = true;
    const KSDEVICE_DISPATCH* dispatch = dispatchOf(*instance);
    callIrpVoid(*instance, dispatch ? dispatch->SurpriseRemoval : nullptr, IRP_MN_SURPRISE_REMOVAL);
}

void removeDevice(PKSDEVICE device) {
    DeviceInstance* instance = deviceFor(device, "removeDevice");
    if (instance == nullptr) {
        return;
    }
    {
        std::lock_guard lock(instance->dispatchLock);
        if (instance->ks.Started) {
            stop(*instance);
        }
        const KSDEVICE_DISPATCH* dispatch = dispatchOf(*instance);
        callIrpVoid(*instance, dispatch ? dispatch->Remove : nullptr, IRP_MN_REMOVE_DEVICE);
        detail::freeFactories(*instance, false);
        if (instance->deviceMutex.held()) {
            host::reportViolation("removeDevice: the device mutex is still held");
        }
    }
    detail::destroyDevice(instance);
}

}  // namespace host::streaming
