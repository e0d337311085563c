// The registry of the class's live objects and bags, and the driver's
// object-navigation calls built on it (KsGetDevice, KsGetParent,
// KsPinGetParentFilter).
#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include <kernel/host_kernel.h>

#include "class_objects.h"

namespace host::streaming::detail {
namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<const void*, ObjectRecord> objects;
    std::unordered_set<const ObjectBag*> bags;
    std::vector<DeviceInstance*> devices;
};

Registry& registry() {
    static Registry* instance = new Registry;  // never destroyed: threads may outlive main
    return *instance;
}

}  // namespace

void registerObject(const void* object, KSOBJECTTYPE type, void* instance) {
    std::lock_guard lock(registry().mutex);
    registry().objects[object] = ObjectRecord{type, instance};
}

void unregisterObject(const void* object) {
    std::lock_guard lock(registry().mutex);
    registry().objects.erase(object);
}

bool findObject(const void* object, ObjectRecord& record) {
    std::lock_guard lock(registry().mutex);
    auto found = registry().objects.find(object);
    if (found == registry().objects.end()) {
        return false;
    }
    record = found->second;
    return true;
}

bool isLiveBag(const ObjectBag* bag) {
    std::lock_guard lock(registry().mutex);
    return registry().bags.count(bag) != 0;
}

void noteBag(const ObjectBag* bag, bool live) {
    std::lock_guard lock(registry().mutex);
    if (live) {
        registry().bags.insert(bag);
    } else {
        registry().bags.erase(bag);
    }
}

DeviceInstance* deviceOf(const ObjectRecord& record) {
    switch (record.type) {
        case KsObjectTypeDevice:
            return static_cast<DeviceInstance*>(record.instance);
        case KsObjectTypeFilterFactory:
            return static_cast<FactoryInstance*>(record.instance)->device;
        case KsObjectTypeFilter:
            return static_cast<FilterInstance*>(record.instance)->factory->device;
        case KsObjectTypePin:
            return static_cast<PinInstance*>(record.instance)->filter->factory->device;
    }
    return nullptr;
}

namespace {

template <typename Instance>
Instance* liveOfType(const void* object, KSOBJECTTYPE type) {
    ObjectRecord record{};
    if (object == nullptr || !findObject(object, record) || record.type != type) {
        return nullptr;
    }
    return static_cast<Instance*>(record.instance);
}

}  // namespace

FilterInstance* liveFilter(PKSFILTER filter) {
    return liveOfType<FilterInstance>(filter, KsObjectTypeFilter);
}

PinInstance* livePin(PKSPIN pin) {
    return liveOfType<PinInstance>(pin, KsObjectTypePin);
}

DeviceInstance* liveDevice(PKSDEVICE device) {
    return liveOfType<DeviceInstance>(device, KsObjectTypeDevice);
}

std::vector<DeviceInstance*> liveDevices() {
    std::lock_guard lock(registry().mutex);
    return registry().devices;
}

void noteDevice(DeviceInstance* device, bool live) {
    std::lock_guard lock(registry().mutex);
    auto& devices = registry().devices;
    if (live) {
        devices.push_back(device);
    } else {
        devices.erase(std::remove(devices.begin(), devices.end(), device), devices.end());
    }
}

}  // namespace host::streaming::detail

using host::streaming::detail::findObject;
using host::streaming::detail::ObjectRecord;

extern "C" PKSDEVICE NTAPI KsGetDevice(PVOID Object) {
    ObjectRecord record{};
    if (!findObject(Object, record)) {
        host::reportViolation("KsGetDevice: not a live AVStream object");
        return nullptr;
    }
    return &host::streaming::detail::deviceOf(record)->ks;
}

// A factory's parent is its device, a filter's its factory, a pin's its
// filter; a device has none.
extern "C" PVOID NTAPI KsGetParent(PVOID Object) {
    using namespace host::streaming::detail;
    ObjectRecord record{};
    if (!findObject(Object, record)) {
        host::reportViolation("KsGetParent: not a live AVStream object");
        return nullptr;
    }
    switch (record.type) {
        case KsObjectTypeDevice:
            return nullptr;
        case KsObjectTypeFilterFactory:
            return &static_cast<FactoryInstance*>(record.instance)->device->ks;
        case KsObjectTypeFilter:
            return &static_cast<FilterInstance*>(record.instance)->factory->ks;
        case KsObjectTypePin:
            return &static_cast<PinInstance*>(record.instance)->filter->ks;
    }
    return nullptr;
}

extern "C" PKSFILTER NTAPI KsPinGetParentFilter(PKSPIN Pin) {
    auto* pin = host::streaming::detail::livePin(Pin);
    if (pin == nullptr) {
        host::reportViolation("KsPinGetParentFilter: not a live pin");
        return nullptr;
    }
    return &pin->filter->ks;
}
