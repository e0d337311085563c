// Filter factories on the stand-in class: KsCreateFilterFactory and the
// class's own factory creation (from the device descriptor at start) and
// freeing (at stop for KSCREATE_ITEM_FREEONSTOP, at removal for all).
#include <algorithm>
#include <cstdio>
#include <string>

#include <kernel/host_kernel.h>

#include "class_faults.h"
#include "class_operations.h"

namespace host::streaming::detail {

bool atPassiveLevel(const char* caller) {
    if (KeGetCurrentIrql() == PASSIVE_LEVEL) {
        return true;
    }
    host::reportViolation(std::string(caller) + " called above PASSIVE_LEVEL");
    return false;
}

std::u16string guidString(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

NTSTATUS createFactory(DeviceInstance& device, const KSFILTER_DESCRIPTOR* descriptor,
                       std::u16string reference, ULONG createItemFlags,
                       PFNKSFILTERFACTORYPOWER sleep, PFNKSFILTERFACTORYPOWER wake,
                       PKSFILTERFACTORY* factory) {
    const NTSTATUS injected = classFaults().filterFactoryStatus();
    if (!NT_SUCCESS(injected)) {
        return injected;
    }
    for (const auto& existing : device.factories) {
        if (existing->reference == reference) {
            return STATUS_OBJECT_NAME_COLLISION;
        }
    }
    auto instance = std::make_unique<FactoryInstance>();
    instance->ks.FilterDescriptor = descriptor;
    instance->ks.Bag = instance->bag.handle();
    instance->device = &device;
    instance->reference = std::move(reference);
    instance->createItemFlags = createItemFlags;
    instance->sleep = sleep;
    instance->wake = wake;
    registerObject(&instance->ks, KsObjectTypeFilterFactory, instance.get());
    if (factory != nullptr) {
        *factory = &instance->ks;
    }
    device.factories.push_back(std::move(instance));
    return STATUS_SUCCESS;
}

void freeFactory(DeviceInstance& device, FactoryInstance* factory) {
    while (!factory->filters.empty()) {
        closeFilter(factory->filters.back().get());
    }
    factory->bag.empty();
    unregisterObject(&factory->ks);
    auto& factories = device.factories;
    factories.erase(std::find_if(factories.begin(), factories.end(),
                                 [factory](const auto& held) { return held.get() == factory; }));
}

namespace {

std::vector<FactoryInstance*> factoriesOf(DeviceInstance& device, bool onlyFreeOnStop) {
    std::vector<FactoryInstance*> chosen;
    for (const auto& factory : device.factories) {
        if (!onlyFreeOnStop || (factory->createItemFlags & KSCREATE_ITEM_FREEONSTOP) != 0) {
            chosen.push_back(factory.get());
        }
    }
    return chosen;
}

}  // namespace

void freeFactories(DeviceInstance& device, bool onlyFreeOnStop) {
    for (FactoryInstance* factory : factoriesOf(device, onlyFreeOnStop)) {
        freeFactory(device, factory);
    }
}

void closeFactoryFilters(DeviceInstance& device, bool onlyFreeOnStop) {
    for (FactoryInstance* factory : factoriesOf(device, onlyFreeOnStop)) {
        while (!factory->filters.empty()) {
            closeFilter(factory->filters.back().get());
        }
    }
}

}  // namespace host::streaming::detail

namespace {

host::streaming::detail::DeviceInstance* deviceWithFdo(PDEVICE_OBJECT fdo) {
    for (auto* device : host::streaming::detail::liveDevices()) {
        if (device->ks.FunctionalDeviceObject == fdo) {
            return device;
        }
    }
    return nullptr;
}

std::u16string referenceText(PWSTR RefString) {
    std::u16string text;
    for (PWSTR c = RefString; c != nullptr && *c != 0; ++c) {
        text.push_back(static_cast<char16_t>(*c));
    }
    return text;
}

}  // namespace

// The security descriptor is not kept (nothing checks access here); the
// sleep and wake callbacks are kept but no power change calls them yet.
extern "C" NTSTATUS NTAPI
KsCreateFilterFactory(PDEVICE_OBJECT DeviceObject, const KSFILTER_DESCRIPTOR* Descriptor,
                      PWSTR RefString, PSECURITY_DESCRIPTOR /*SecurityDescriptor*/,
                      ULONG CreateItemFlags, PFNKSFILTERFACTORYPOWER SleepCallback,
                      PFNKSFILTERFACTORYPOWER WakeCallback, PKSFILTERFACTORY* FilterFactory) {
    using namespace host::streaming::detail;
    if (FilterFactory != nullptr) {
        *FilterFactory = nullptr;
    }
    if (!atPassiveLevel("KsCreateFilterFactory")) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    DeviceInstance* device = deviceWithFdo(DeviceObject);
    if (device == nullptr) {
        host::reportViolation("KsCreateFilterFactory: not the FDO of a live AVStream device");
        return STATUS_INVALID_PARAMETER;
    }
    if (Descriptor == nullptr || Descriptor->Version != KSFILTER_DESCRIPTOR_VERSION) {
        host::reportViolation(
            "KsCreateFilterFactory: no descriptor, or not KSFILTER_DESCRIPTOR_VERSION");
        return STATUS_INVALID_PARAMETER;
    }
    return createFactory(*device, Descriptor, referenceText(RefString), CreateItemFlags,
                         SleepCallback, WakeCallback, FilterFactory);
}
