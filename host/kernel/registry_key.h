// One key of the stand-in registry: its subkeys and values. Every member is
// guarded by the registry's mutex; only Registry and the .reg writer, which
// hold it, touch a key. Open handles and subkey maps share a key through
// shared_ptr, so a key deleted while a handle is open stays valid memory
// and reports itself deleted.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "registry_value.h"

namespace host::detail {

struct NamedValue {
    std::u16string name;  // as first set; "" is the default value
    RegistryValue value;
};

struct RegistryKey {
    std::u16string name;  // as created
    bool isVolatile = false;
    bool deleted = false;
    // By folded name, so they list in regedit's case-insensitive order.
    std::map<std::u16string, std::shared_ptr<RegistryKey>> subkeys;
    // In the order first set, as regedit lists them.
    std::vector<NamedValue> values;

    std::shared_ptr<RegistryKey> subkey(std::u16string_view subkeyName) const;
    std::shared_ptr<RegistryKey> addSubkey(std::u16string_view subkeyName, bool volatileKey);
    // Detaches the subkey and everything below it, marking them deleted.
    bool removeSubkey(std::u16string_view subkeyName);

    const NamedValue* findValue(std::u16string_view valueName) const;
    // Replaces the data of an existing value, keeping its place and name.
    void setValue(std::u16string_view valueName, RegistryValue value);
    bool removeValue(std::u16string_view valueName);

    // Marks this key and every key below it deleted.
    void markDeleted();
};

}  // namespace host::detail
