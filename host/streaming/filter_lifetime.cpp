// Filter instances on the stand-in class: opened through a factory's
// reference string (IRP_MJ_CREATE to the filter's Create), closed with
// their pins (IRP_MJ_CLOSE to Close).
#include <algorithm>

#include <kernel/host_kernel.h>

#include "class_faults.h"
#include "class_irp.h"
#include "class_operations.h"

namespace host::streaming::detail {
namespace {

FactoryInstance* factoryFor(DeviceInstance& device, const std::u16string& reference) {
    for (const auto& factory : device.factories) {
        if (factory->reference == reference) {
            return factory.get();
        }
    }
    return nullptr;
}

const KSFILTER_DISPATCH* dispatchOf(const FilterInstance& filter) {
    return filter.ks.Descriptor->Dispatch;
}

}  // namespace

// No factory under the reference string: STATUS_OBJECT_NAME_NOT_FOUND. A
// device removed by surprise: STATUS_DEVICE_REMOVED.
NTSTATUS openFilter(DeviceInstance& device, const std::u16string& reference,
                    FilterInstance** filter) {
    *filter = nullptr;
    if (device.surpriseRemoved) {
        return STATUS_DEVICE_REMOVED;
    }
    FactoryInstance* factory = factoryFor(device, reference);
    if (factory == nullptr) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    if (classFaults().filterCreationFails()) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    auto instance = std::make_unique<FilterInstance>();
    instance->ks.Descriptor = factory->ks.FilterDescriptor;
    instance->ks.Bag = instance->bag.handle();
    instance->factory = factory;
    registerObject(&instance->ks, KsObjectTypeFilter, instance.get());
    NTSTATUS status = STATUS_SUCCESS;
    if (dispatchOf(*instance) != nullptr && dispatchOf(*instance)->Create != nullptr) {
        ClassIrp irp(device.ks.FunctionalDeviceObject, IRP_MJ_CREATE, 0, instance.get());
        status = irp.irp() == nullptr ? STATUS_INSUFFICIENT_RESOURCES
                                      : dispatchOf(*instance)->Create(&instance->ks, irp.irp());
    }
    if (!NT_SUCCESS(status)) {
        instance->bag.empty();
        unregisterObject(&instance->ks);
        return status;
    }
    *filter = instance.get();
    factory->filters.push_back(std::move(instance));
    return STATUS_SUCCESS;
}

void closeFilter(FilterInstance* filter) {
    while (!filter->pins.empty()) {
        closePin(filter->pins.back().get());
    }
    if (dispatchOf(*filter) != nullptr && dispatchOf(*filter)->Close != nullptr) {
        DeviceInstance& device = *filter->factory->device;
        ClassIrp irp(device.ks.FunctionalDeviceObject, IRP_MJ_CLOSE, 0, filter);
        if (irp.irp() != nullptr) {
            dispatchOf(*filter)->Close(&filter->ks, irp.irp());
        }
    }
    filter->bag.empty();
    unregisterObject(&filter->ks);
    auto& filters = filter->factory->filters;
    filters.erase(std::find_if(filters.begin(), filters.end(),
                               [filter](const auto& held) { return held.get() == filter; }));
}

}  // namespace host::streaming::detail
