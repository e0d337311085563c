// The registry's test-facing contents: values and keys by path.
#include <stdexcept>

#include "registry.h"
#include "utf16_text.h"

namespace host {
namespace {

std::u16string wideName(std::string_view name) {
    std::optional<std::u16string> wide = detail::utf8ToUtf16(name);
    if (!wide) {
        throw std::invalid_argument("value name is not UTF-8");
    }
    return *wide;
}

// Names are stored as UTF-16; one with an unpaired surrogate (possible only
// from the kernel side) shows with U+FFFD in its place.
std::string displayName(std::u16string_view name) {
    if (std::optional<std::string> text = detail::utf16ToUtf8(name)) {
        return *text;
    }
    std::u16string repaired(name);
    for (char16_t& unit : repaired) {
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = 0xFFFD;
        }
    }
    return *detail::utf16ToUtf8(repaired);
}

}  // namespace

void Registry::setValue(std::string_view keyPath, std::string_view name, ULONG type,
                        std::vector<std::uint8_t> bytes) {
    const detail::KeyPath path = detail::parseHivePath(keyPath);
    if (path.size() == 1) {
        throw std::invalid_argument("a hive holds no values: \"" + std::string(keyPath) + "\"");
    }
    const std::u16string wide = wideName(name);
    std::lock_guard guard(mutex_);
    createWithParentsLocked(path)->setValue(wide, RegistryValue{type, std::move(bytes)});
}

void Registry::setDword(std::string_view keyPath, std::string_view name, std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    setValue(keyPath, name, REG_DWORD, std::move(bytes));
}

void Registry::setString(std::string_view keyPath, std::string_view name, std::string_view text) {
    std::optional<std::u16string> wide = detail::utf8ToUtf16(text);
    if (!wide) {
        throw std::invalid_argument("string value is not UTF-8");
    }
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : *wide + u'\0') {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    setValue(keyPath, name, REG_SZ, std::move(bytes));
}

std::optional<RegistryValue> Registry::value(std::string_view keyPath,
                                             std::string_view name) const {
    const std::u16string wide = wideName(name);
    std::lock_guard guard(mutex_);
    KeyRef key = findLocked(keyPath);
    const detail::NamedValue* found = key != nullptr ? key->findValue(wide) : nullptr;
    return found != nullptr ? std::optional(found->value) : std::nullopt;
}

std::optional<std::uint32_t> Registry::dword(std::string_view keyPath,
                                             std::string_view name) const {
    std::optional<RegistryValue> found = value(keyPath, name);
    if (!found || found->type != REG_DWORD || found->bytes.size() != 4) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        number |= std::uint32_t{found->bytes[i]} << (8 * i);
    }
    return number;
}

bool Registry::keyExists(std::string_view keyPath) const {
    std::lock_guard guard(mutex_);
    return findLocked(keyPath) != nullptr;
}

void Registry::createKey(std::string_view keyPath) {
    const detail::KeyPath path = detail::parseHivePath(keyPath);
    std::lock_guard guard(mutex_);
    createWithParentsLocked(path);
}

bool Registry::deleteKey(std::string_view keyPath) {
    detail::KeyPath path = detail::parseHivePath(keyPath);
    if (path.size() == 1) {
        throw std::invalid_argument("a hive cannot be deleted: \"" + std::string(keyPath) + "\"");
    }
    const std::u16string last = path.back();
    path.pop_back();
    std::lock_guard guard(mutex_);
    KeyRef parent = findLocked(root_, path);
    return parent != nullptr && parent->removeSubkey(last);
}

bool Registry::deleteValue(std::string_view keyPath, std::string_view name) {
    const std::u16string wide = wideName(name);
    std::lock_guard guard(mutex_);
    KeyRef key = findLocked(keyPath);
    return key != nullptr && key->removeValue(wide);
}

std::vector<std::string> Registry::valueNames(std::string_view keyPath) const {
    std::lock_guard guard(mutex_);
    std::vector<std::string> names;
    if (KeyRef key = findLocked(keyPath)) {
        for (const detail::NamedValue& entry : key->values) {
            names.push_back(displayName(entry.name));
        }
    }
    return names;
}

std::vector<std::string> Registry::subkeyNames(std::string_view keyPath) const {
    std::lock_guard guard(mutex_);
    std::vector<std::string> names;
    if (KeyRef key = findLocked(keyPath)) {
        for (const auto& entry : key->subkeys) {
            names.push_back(displayName(entry.second->name));
        }
    }
    return names;
}

}  // namespace host
