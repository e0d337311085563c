// Import binding: every entry of the image's import directory is looked up
// in the stand-in's export table (export_table.h) by module and name and
// its address written to the import address table. Refused with ImageError:
// an import the stand-in does not provide, an import by ordinal, an export
// without the Windows calling convention, a malformed directory.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pe_headers.h"

namespace host::image {

// Binds the imports of the filled mapping `image`; returns them as
// "module!name" in import-table order.
std::vector<std::string> bindImports(std::span<std::byte> image, const PeHeaders& headers,
                                     std::string_view imageName);

}  // namespace host::image
