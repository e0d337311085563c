// The function symbols of an image's COFF symbol table (mingw-w64's ld keeps
// it in the image; objdump -t shows it), for naming code addresses as
// "Function+0x1c". Read from the file at load time: the symbol records with
// their section-relative values and the string table with the long names.
// A malformed table is refused with ImageError; an image without one has no
// function names.
//
// Immutable after construction; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "byte_window.h"
#include "pe_headers.h"

namespace host::image {

struct FunctionSymbol {
    std::uint32_t rva = 0;
    std::string name;  // readable (function_name.h)
};

class FunctionSymbols {
  public:
    FunctionSymbols() = default;
    static FunctionSymbols read(const ByteWindow& file, const PeHeaders& headers);

    // The function at or before `rva` in the same executable section; null
    // if none.
    const FunctionSymbol* containing(std::uint32_t rva, const PeHeaders& headers) const;
    // "Name+0x1c", "Name" at its first byte, or "" without a function.
    std::string describe(std::uint32_t rva, const PeHeaders& headers) const;
    // The RVA of the function with this readable name.
    std::optional<std::uint32_t> find(std::string_view name) const;
    const std::vector<FunctionSymbol>& all() const { return symbols_; }

  private:
    std::vector<FunctionSymbol> symbols_;  // by RVA
};

}  // namespace host::image
