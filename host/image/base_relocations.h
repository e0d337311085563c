// Base relocations: the image is never mapped at its preferred ImageBase,
// so every absolute address in it moves by the difference. Only DIR64
// entries (and ABSOLUTE padding) are valid in an x64 image; any other type,
// a block whose size does not fit, or a target outside the image is refused
// with ImageError.
#pragma once

#include <cstdint>
#include <span>

#include "byte_window.h"
#include "pe_headers.h"

namespace host::image {

// Applies the relocation directory of `headers` to the filled mapping at
// `image` (SizeOfImage bytes), which now lies at `image.data()`.
void applyBaseRelocations(std::span<std::byte> image, const PeHeaders& headers,
                          std::string_view imageName);

}  // namespace host::image
