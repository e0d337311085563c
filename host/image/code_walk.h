// A walk over every instruction of an image's executable sections: a linear
// sweep restarted at each known code start (the section start, every
// function of the exception directory's RUNTIME_FUNCTION table, every
// function symbol), so padding between functions cannot throw it off. An
// instruction inside a function that does not decode is refused with
// ImageError (it could hide anything); undecodable padding between
// functions is skipped.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "byte_window.h"
#include "coff_symbols.h"
#include "instruction_decoder.h"
#include "pe_headers.h"

namespace host::image {

struct CodeRange {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
};

// The functions of the exception directory (RUNTIME_FUNCTION entries), each
// checked to lie inside one executable section; sorted.
std::vector<CodeRange> runtimeFunctions(const ByteWindow& image, const PeHeaders& headers);

using InstructionVisitor = std::function<void(std::uint32_t rva, const Instruction&)>;

void walkInstructions(const ByteWindow& image, const PeHeaders& headers,
                      const FunctionSymbols& symbols, const InstructionVisitor& visit);

}  // namespace host::image
