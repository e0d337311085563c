#include "reg_file_writer.h"

#include <cstdio>
#include <stdexcept>

#include "registry_path.h"
#include "utf16_text.h"

namespace host::detail {
namespace {

constexpr const char* kLineEnd = "\r\n";
// Regedit's lines reach 80 columns with the backslash.
constexpr std::size_t kWrapColumn = 79;

std::string utf8Of(std::u16string_view text) {
    std::optional<std::string> utf8 = utf16ToUtf8(text);
    if (!utf8) {
        throw std::runtime_error("a registry name or string holds an unpaired surrogate");
    }
    return *utf8;
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out + "\"";
}

std::u16string unitsOf(const std::vector<std::uint8_t>& bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return units;
}

// The text of a REG_SZ that the "text" form carries exactly: one string,
// null-terminated, with no control characters or unpaired surrogates.
std::optional<std::string> plainString(const RegistryValue& value) {
    if (value.type != REG_SZ || value.bytes.size() < 2 || value.bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string units = unitsOf(value.bytes);
    if (units.back() != u'\0') {
        return std::nullopt;
    }
    units.pop_back();
    for (char16_t unit : units) {
        if (unit < 0x20) {
            return std::nullopt;
        }
    }
    return utf16ToUtf8(units);
}

std::string hexByte(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof(text), "%02x", byte);
    return text;
}

// "prefix" then the bytes, wrapped as regedit wraps them.
std::string hexList(std::string line, const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::string token = hexByte(bytes[i]) + (i + 1 < bytes.size() ? "," : "");
        if (line.size() + token.size() > kWrapColumn) {
            out += line + "\\" + kLineEnd;
            line = "  ";
        }
        line += token;
    }
    return out + line + kLineEnd;
}

std::string valueLine(const NamedValue& entry) {
    const std::string name = entry.name.empty() ? "@" : quoted(utf8Of(entry.name));
    const RegistryValue& value = entry.value;
    if (value.type == REG_DWORD && value.bytes.size() == 4) {
        char number[9];
        std::snprintf(number, sizeof(number), "%08x",
                      static_cast<unsigned>(value.bytes[0] | value.bytes[1] << 8 |
                                            value.bytes[2] << 16 | value.bytes[3] << 24));
        return name + "=dword:" + number + kLineEnd;
    }
    if (std::optional<std::string> text = plainString(value)) {
        return name + "=" + quoted(*text) + kLineEnd;
    }
    if (value.type == REG_BINARY) {
        return hexList(name + "=hex:", value.bytes);
    }
    char type[24];
    std::snprintf(type, sizeof(type), "hex(%x):", value.type);
    return hexList(name + "=" + type, value.bytes);
}

void writeKey(const RegistryKey& key, const std::string& path, std::string& out) {
    out += "[" + path + "]" + kLineEnd;
    for (const NamedValue& entry : key.values) {
        out += valueLine(entry);
    }
    out += kLineEnd;
    for (const auto& subkey : key.subkeys) {
        writeKey(*subkey.second, path + "\\" + utf8Of(subkey.second->name), out);
    }
}

}  // namespace

std::string formatRegText(const RegistryKey& root) {
    std::string out = std::string("Windows Registry Editor Version 5.00") + kLineEnd + kLineEnd;
    for (const auto& hive : root.subkeys) {
        const std::string hiveName(hiveDisplayName(hive.second->name));
        for (const auto& subkey : hive.second->subkeys) {
            writeKey(*subkey.second, hiveName + "\\" + utf8Of(subkey.second->name), out);
        }
    }
    return out;
}

}  // namespace host::detail
