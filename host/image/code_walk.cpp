// RUNTIME_FUNCTION (Microsoft's "PE Format" documentation, "The .pdata
// Section", x64): 12 bytes, the begin and end RVAs of a function and the RVA
// of its unwind information.
#include "code_walk.h"

#include <algorithm>
#include <cstdio>

namespace host::image {
namespace {

constexpr std::uint64_t kRuntimeFunctionSize = 12;

std::vector<std::uint32_t> sweepStarts(const SectionHeader& section,
                                       const std::vector<CodeRange>& functions,
                                       const FunctionSymbols& symbols) {
    std::vector<std::uint32_t> starts{section.virtualAddress};
    for (const CodeRange& function : functions) {
        if (section.contains(function.begin)) {
            starts.push_back(function.begin);
        }
    }
    for (const FunctionSymbol& symbol : symbols.all()) {
        if (section.contains(symbol.rva)) {
            starts.push_back(symbol.rva);
        }
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

bool insideFunction(const std::vector<CodeRange>& functions, std::uint32_t rva) {
    auto after = std::upper_bound(
        functions.begin(), functions.end(), rva,
        [](std::uint32_t value, const CodeRange& range) { return value < range.begin; });
    return after != functions.begin() && rva < (after - 1)->end;
}

[[noreturn]] void refuseUndecodable(const ByteWindow& image, const PeHeaders& headers,
                                    const FunctionSymbols& symbols, std::uint32_t rva) {
    std::string bytes;
    for (std::uint64_t at = rva; at < rva + 8u && image.contains(at, 1); ++at) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", image.u8(at, "code"));
        bytes += hex;
    }
    const std::string where = symbols.describe(rva, headers);
    char location[32];
    std::snprintf(location, sizeof location, "RVA 0x%x", rva);
    image.refuse("cannot decode the instruction at " + (where.empty() ? location : where) + " (" +
                 bytes.substr(1) + " ...)");
}

void sweep(const ByteWindow& image, const PeHeaders& headers, const FunctionSymbols& symbols,
           const std::vector<CodeRange>& functions, std::uint32_t from, std::uint32_t to,
           const InstructionVisitor& visit) {
    for (std::uint32_t rva = from; rva < to;) {
        const auto instruction = decodeInstruction(image.bytes(rva, to - rva, "code"));
        if (!instruction || rva + instruction->length > to) {
            if (insideFunction(functions, rva)) {
                refuseUndecodable(image, headers, symbols, rva);
            }
            return;  // padding; the next start resynchronises
        }
        visit(rva, *instruction);
        rva += instruction->length;
    }
}

}  // namespace

std::vector<CodeRange> runtimeFunctions(const ByteWindow& image, const PeHeaders& headers) {
    std::vector<CodeRange> functions;
    const DataDirectory& directory = headers.directory(pe::kExceptionDirectory);
    image.require(directory.rva, directory.size, "the exception directory");
    for (std::uint64_t at = directory.rva;
         at + kRuntimeFunctionSize <= std::uint64_t{directory.rva} + directory.size;
         at += kRuntimeFunctionSize) {
        const CodeRange range{image.u32(at, "a RUNTIME_FUNCTION"),
                              image.u32(at + 4, "a RUNTIME_FUNCTION")};
        const SectionHeader* section = headers.sectionAt(range.begin);
        if (range.end <= range.begin || section == nullptr || !section->executable() ||
            !section->contains(range.end - 1)) {
            image.refuse("has a RUNTIME_FUNCTION entry outside its code");
        }
        functions.push_back(range);
    }
    std::sort(functions.begin(), functions.end(),
              [](const CodeRange& a, const CodeRange& b) { return a.begin < b.begin; });
    return functions;
}

void walkInstructions(const ByteWindow& image, const PeHeaders& headers,
                      const FunctionSymbols& symbols, const InstructionVisitor& visit) {
    const std::vector<CodeRange> functions = runtimeFunctions(image, headers);
    for (const SectionHeader& section : headers.sections) {
        if (!section.executable()) {
            continue;
        }
        const std::vector<std::uint32_t> starts = sweepStarts(section, functions, symbols);
        const std::uint32_t end = section.virtualAddress + section.virtualSize;
        for (std::size_t index = 0; index < starts.size(); ++index) {
            const std::uint32_t to = index + 1 < starts.size() ? starts[index + 1] : end;
            sweep(image, headers, symbols, functions, starts[index], to, visit);
        }
    }
}

}  // namespace host::image
