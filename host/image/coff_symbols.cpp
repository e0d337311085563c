// COFF symbol records (Microsoft's "PE Format" documentation, "COFF Symbol
// Table"): 18 bytes each, a short name inline or a string-table offset, the
// value (relative to the section), the 1-based section number, the type
// (function when the derived type is 2), the storage class and the count of
// auxiliary records that follow. The string table follows the records, led
// by its own size.
#include "coff_symbols.h"

#include <algorithm>
#include <cstdio>

#include "function_name.h"

namespace host::image {
namespace {

constexpr std::uint64_t kRecordSize = 18;
constexpr std::size_t kMaximumNameLength = 4096;
constexpr std::uint8_t kClassExternal = 2;
constexpr std::uint8_t kClassStatic = 3;

struct StringTable {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
};

StringTable findStringTable(const ByteWindow& file, const PeHeaders& headers) {
    const std::uint64_t records = headers.symbolTableOffset;
    file.require(records, std::uint64_t{headers.symbolCount} * kRecordSize, "the symbol table");
    StringTable strings{records + std::uint64_t{headers.symbolCount} * kRecordSize, 0};
    if (file.contains(strings.offset, 4)) {
        strings.size = file.u32(strings.offset, "the string table");
        file.require(strings.offset, strings.size, "the string table");
    }
    return strings;
}

std::string symbolName(const ByteWindow& file, std::uint64_t record, const StringTable& strings) {
    if (file.u32(record, "a symbol name") != 0) {
        std::string name;
        for (std::byte b : file.bytes(record, 8, "a symbol name")) {
            if (b == std::byte{0}) {
                break;
            }
            const char c = static_cast<char>(b);
            name.push_back(c >= ' ' && c <= '~' ? c : '?');
        }
        return name;
    }
    const std::uint32_t offset = file.u32(record + 4, "a symbol name");
    if (offset < 4 || offset >= strings.size) {
        file.refuse("a symbol's name lies outside the string table");
    }
    return file.cString(strings.offset + offset, kMaximumNameLength, "a symbol name");
}

// External symbols in code, and static ones typed as functions; section
// symbols (".text$foo") and labels are not functions.
bool isFunction(std::string_view name, std::uint16_t type, std::uint8_t storageClass) {
    if (name.empty() || name.front() == '.') {
        return false;
    }
    const bool functionType = ((type >> 4) & 3) == 2;
    return storageClass == kClassExternal || (storageClass == kClassStatic && functionType);
}

}  // namespace

FunctionSymbols FunctionSymbols::read(const ByteWindow& file, const PeHeaders& headers) {
    FunctionSymbols result;
    if (headers.symbolTableOffset == 0 || headers.symbolCount == 0) {
        return result;
    }
    const StringTable strings = findStringTable(file, headers);
    for (std::uint64_t index = 0; index < headers.symbolCount; ++index) {
        const std::uint64_t record = headers.symbolTableOffset + index * kRecordSize;
        const std::int16_t sectionNumber =
            static_cast<std::int16_t>(file.u16(record + 12, "a symbol"));
        const std::uint8_t storageClass = file.u8(record + 16, "a symbol");
        index += file.u8(record + 17, "a symbol");  // auxiliary records
        if (sectionNumber < 1 ||
            static_cast<std::size_t>(sectionNumber) > headers.sections.size()) {
            continue;
        }
        const SectionHeader& section =
            headers.sections[static_cast<std::size_t>(sectionNumber - 1)];
        const std::uint32_t value = file.u32(record + 8, "a symbol");
        const std::string name = symbolName(file, record, strings);
        if (!section.executable() || value >= section.virtualSize ||
            !isFunction(name, file.u16(record + 14, "a symbol"), storageClass)) {
            continue;
        }
        result.symbols_.push_back({section.virtualAddress + value, readableFunctionName(name)});
    }
    std::stable_sort(
        result.symbols_.begin(), result.symbols_.end(),
        [](const FunctionSymbol& a, const FunctionSymbol& b) { return a.rva < b.rva; });
    auto duplicates = std::unique(
        result.symbols_.begin(), result.symbols_.end(),
        [](const FunctionSymbol& a, const FunctionSymbol& b) { return a.rva == b.rva; });
    result.symbols_.erase(duplicates, result.symbols_.end());
    return result;
}

const FunctionSymbol* FunctionSymbols::containing(std::uint32_t rva,
                                                  const PeHeaders& headers) const {
    const SectionHeader* section = headers.sectionAt(rva);
    if (section == nullptr || !section->executable()) {
        return nullptr;
    }
    auto after = std::upper_bound(
        symbols_.begin(), symbols_.end(), rva,
        [](std::uint32_t value, const FunctionSymbol& symbol) { return value < symbol.rva; });
    if (after == symbols_.begin()) {
        return nullptr;
    }
    const FunctionSymbol& symbol = *(after - 1);
    return section->contains(symbol.rva) ? &symbol : nullptr;
}

std::string FunctionSymbols::describe(std::uint32_t rva, const PeHeaders& headers) const {
    const FunctionSymbol* symbol = containing(rva, headers);
    if (symbol == nullptr) {
        return {};
    }
    if (symbol->rva == rva) {
        return symbol->name;
    }
    char offset[24];
    std::snprintf(offset, sizeof offset, "+0x%x", rva - symbol->rva);
    return symbol->name + offset;
}

std::optional<std::uint32_t> FunctionSymbols::find(std::string_view name) const {
    for (const FunctionSymbol& symbol : symbols_) {
        if (symbol.name == name) {
            return symbol.rva;
        }
    }
    return std::nullopt;
}

}  // namespace host::image
