// The registry object: its tree's root and hives, device-key numbering,
// injection, and the lookups the test-facing and kernel-facing parts share.
#include "registry.h"

#include <cstdio>

#include "utf16_text.h"

namespace host {
namespace {

constexpr std::string_view kClassKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{ca3e7ab9-b4c3-4ae6-8251-579ef933890f}\\";
constexpr std::string_view kEnumKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\HOST_DEVICE\\";

std::string instanceNumber(std::size_t index) {
    char text[24];
    std::snprintf(text, sizeof(text), "%04zu", index);
    return text;
}

}  // namespace

Registry::Registry() {
    emptyLocked();
}

Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

std::string Registry::driverKeyPath(PDEVICE_OBJECT device) {
    std::lock_guard guard(mutex_);
    return deviceKeysLocked(device).driver;
}

std::string Registry::deviceKeyPath(PDEVICE_OBJECT device) {
    std::lock_guard guard(mutex_);
    return deviceKeysLocked(device).device;
}

void Registry::assignDriverKey(PDEVICE_OBJECT device, std::string_view keyPath) {
    detail::parseHivePath(keyPath);  // throws when malformed
    std::lock_guard guard(mutex_);
    deviceKeysLocked(device).driver = keyPath;
}

void Registry::assignDeviceKey(PDEVICE_OBJECT device, std::string_view keyPath) {
    detail::parseHivePath(keyPath);
    std::lock_guard guard(mutex_);
    deviceKeysLocked(device).device = keyPath;
}

void Registry::clear() {
    std::lock_guard guard(mutex_);
    emptyLocked();
}

void Registry::failCalls(RegistryCall call, NTSTATUS status, std::size_t nth) {
    std::lock_guard guard(mutex_);
    injection_.fail(call, status, nth);
}

void Registry::failOpenDeviceKey(NTSTATUS status, std::size_t nth) {
    failCalls(RegistryCall::kOpenDeviceKey, status, nth);
}

void Registry::failCreateKey(NTSTATUS status, std::size_t nth) {
    failCalls(RegistryCall::kCreateKey, status, nth);
}

void Registry::failSetValue(NTSTATUS status, std::size_t nth) {
    failCalls(RegistryCall::kSetValue, status, nth);
}

void Registry::clearInjection() {
    std::lock_guard guard(mutex_);
    injection_.clearRules();
}

std::size_t Registry::calls(RegistryCall call) const {
    std::lock_guard guard(mutex_);
    return injection_.calls(call);
}

void Registry::reset() {
    std::lock_guard guard(mutex_);
    emptyLocked();
    deviceKeys_.clear();
    devicesSeen_ = 0;
    injection_.clearRules();
    injection_.resetCounts();
}

std::optional<NTSTATUS> Registry::onCall(RegistryCall call) {
    std::lock_guard guard(mutex_);
    return injection_.onCall(call);
}

Registry::DeviceKeys& Registry::deviceKeysLocked(PDEVICE_OBJECT device) {
    auto entry = deviceKeys_.find(device);
    if (entry == deviceKeys_.end()) {
        const std::string number = instanceNumber(devicesSeen_++);
        const DeviceKeys keys{std::string(kClassKey) + number,
                              std::string(kEnumKey) + number + "\\Device Parameters"};
        entry = deviceKeys_.emplace(device, keys).first;
    }
    return entry->second;
}

Registry::KeyRef Registry::findLocked(const KeyRef& from, const detail::KeyPath& path) const {
    KeyRef key = from;
    for (auto part = path.begin(); key != nullptr && part != path.end(); ++part) {
        key = key->subkey(*part);
    }
    return key;
}

Registry::KeyRef Registry::findLocked(std::string_view keyPath) const {
    return findLocked(root_, detail::parseHivePath(keyPath));
}

Registry::KeyRef Registry::createWithParentsLocked(const detail::KeyPath& path) {
    KeyRef key = root_;
    for (const std::u16string& part : path) {
        KeyRef next = key->subkey(part);
        key = next != nullptr ? next : key->addSubkey(part, key->isVolatile);
    }
    return key;
}

bool Registry::isMountPointLocked(const KeyRef& key) const {
    if (key == root_) {
        return true;
    }
    for (const auto& hive : root_->subkeys) {
        if (hive.second == key) {
            return true;
        }
    }
    return false;
}

// Keys still open keep their (deleted) nodes alive.
void Registry::emptyLocked() {
    if (root_ != nullptr) {
        root_->markDeleted();
    }
    root_ = std::make_shared<detail::RegistryKey>();
    root_->name = u"REGISTRY";
    root_->addSubkey(u"MACHINE", false);
    root_->addSubkey(u"USER", false);
}

}  // namespace host
