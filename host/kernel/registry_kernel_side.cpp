// The registry's kernel-facing part: what the Zw and Io registry calls do
// to the tree once their arguments are checked, with Windows's statuses.
#include "registry.h"

namespace host {

NTSTATUS Registry::openDeviceKey(PDEVICE_OBJECT device, ULONG keyType, KeyRef* key) {
    if (keyType != PLUGPLAY_REGKEY_DEVICE && keyType != PLUGPLAY_REGKEY_DRIVER) {
        return STATUS_INVALID_PARAMETER;
    }
    std::lock_guard guard(mutex_);
    const DeviceKeys& keys = deviceKeysLocked(device);
    const std::string& path = keyType == PLUGPLAY_REGKEY_DRIVER ? keys.driver : keys.device;
    *key = createWithParentsLocked(detail::parseHivePath(path));
    return STATUS_SUCCESS;
}

NTSTATUS Registry::openKey(const KeyRef& root, const detail::KeyPath& path, KeyRef* key) {
    std::lock_guard guard(mutex_);
    const KeyRef& start = root != nullptr ? root : root_;
    if (start->deleted) {
        return STATUS_KEY_DELETED;
    }
    *key = findLocked(start, path);
    return *key != nullptr ? STATUS_SUCCESS : STATUS_OBJECT_NAME_NOT_FOUND;
}

// Only the last component is created; Windows creates no intermediate key.
NTSTATUS Registry::createKey(const KeyRef& root, const detail::KeyPath& path, bool volatileKey,
                             KeyRef* key, ULONG* disposition) {
    std::lock_guard guard(mutex_);
    const KeyRef& start = root != nullptr ? root : root_;
    if (start->deleted) {
        return STATUS_KEY_DELETED;
    }
    if (path.empty()) {
        *key = start;
        *disposition = REG_OPENED_EXISTING_KEY;
        return STATUS_SUCCESS;
    }
    const KeyRef parent = findLocked(start, detail::KeyPath(path.begin(), path.end() - 1));
    if (parent == nullptr) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    if (KeyRef existing = parent->subkey(path.back())) {
        *key = existing;
        *disposition = REG_OPENED_EXISTING_KEY;
        return STATUS_SUCCESS;
    }
    if (isMountPointLocked(parent)) {
        return STATUS_ACCESS_DENIED;
    }
    if (parent->isVolatile && !volatileKey) {
        return STATUS_CHILD_MUST_BE_VOLATILE;
    }
    *key = parent->addSubkey(path.back(), volatileKey);
    *disposition = REG_CREATED_NEW_KEY;
    return STATUS_SUCCESS;
}

NTSTATUS Registry::queryValue(const KeyRef& key, std::u16string_view name,
                              detail::NamedValue* value) {
    std::lock_guard guard(mutex_);
    if (key->deleted) {
        return STATUS_KEY_DELETED;
    }
    const detail::NamedValue* found = key->findValue(name);
    if (found == nullptr) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    *value = *found;
    return STATUS_SUCCESS;
}

NTSTATUS Registry::setValue(const KeyRef& key, std::u16string_view name, RegistryValue value) {
    std::lock_guard guard(mutex_);
    if (key->deleted) {
        return STATUS_KEY_DELETED;
    }
    if (isMountPointLocked(key)) {
        return STATUS_ACCESS_DENIED;
    }
    key->setValue(name, std::move(value));
    return STATUS_SUCCESS;
}

NTSTATUS Registry::deleteValue(const KeyRef& key, std::u16string_view name) {
    std::lock_guard guard(mutex_);
    if (key->deleted) {
        return STATUS_KEY_DELETED;
    }
    return key->removeValue(name) ? STATUS_SUCCESS : STATUS_OBJECT_NAME_NOT_FOUND;
}

}  // namespace host
