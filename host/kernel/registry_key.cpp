#include "registry_key.h"

#include <algorithm>

#include "utf16_text.h"

namespace host::detail {
namespace {

template <typename Values>
auto valueNamed(Values& values, std::u16string_view valueName) {
    const std::u16string folded = foldedName(valueName);
    return std::find_if(values.begin(), values.end(),
                        [&](const NamedValue& entry) { return foldedName(entry.name) == folded; });
}

}  // namespace

std::shared_ptr<RegistryKey> RegistryKey::subkey(std::u16string_view subkeyName) const {
    auto entry = subkeys.find(foldedName(subkeyName));
    return entry == subkeys.end() ? nullptr : entry->second;
}

std::shared_ptr<RegistryKey> RegistryKey::addSubkey(std::u16string_view subkeyName,
                                                    bool volatileKey) {
    auto key = std::make_shared<RegistryKey>();
    key->name = subkeyName;
    key->isVolatile = volatileKey;
    subkeys[foldedName(subkeyName)] = key;
    return key;
}

bool RegistryKey::removeSubkey(std::u16string_view subkeyName) {
    auto entry = subkeys.find(foldedName(subkeyName));
    if (entry == subkeys.end()) {
        return false;
    }
    entry->second->markDeleted();
    subkeys.erase(entry);
    return true;
}

const NamedValue* RegistryKey::findValue(std::u16string_view valueName) const {
    auto entry = valueNamed(values, valueName);
    return entry == values.end() ? nullptr : &*entry;
}

void RegistryKey::setValue(std::u16string_view valueName, RegistryValue value) {
    auto entry = valueNamed(values, valueName);
    if (entry != values.end()) {
        entry->value = std::move(value);
    } else {
        values.push_back({std::u16string(valueName), std::move(value)});
    }
}

bool RegistryKey::removeValue(std::u16string_view valueName) {
    auto entry = valueNamed(values, valueName);
    if (entry == values.end()) {
        return false;
    }
    values.erase(entry);
    return true;
}

void RegistryKey::markDeleted() {
    deleted = true;
    for (auto& entry : subkeys) {
        entry.second->markDeleted();
    }
}

}  // namespace host::detail
