// The load-time pass over an image's code (code_walk.h), before it is made
// executable:
// - refuses an instruction a Linux process cannot execute
//   (privileged_instruction.h) or a memory access through the fs/gs
//   segment (the Windows kernel's processor control region), naming the
//   function;
// - rewrites the absolute addresses of KUSER_SHARED_DATA in
//   "movabs $imm64, %reg" (REX.W B8+r) and "movabs moffs64" (A0-A3) to the
//   same offsets in the stand-in's shared page (shared_user_data.h);
// - refuses a moffs64 access to any other kernel-only address
//   (0xFFFF800000000000 and above).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "coff_symbols.h"
#include "pe_headers.h"

namespace host::image {

// Returns how many shared-page reads were rewritten.
std::size_t prepareCode(std::span<std::byte> image, const PeHeaders& headers,
                        const FunctionSymbols& symbols, std::string_view imageName,
                        const std::byte* sharedPage);

}  // namespace host::image
