// What the stand-in exports to kernel images, by module, as the Windows x64
// modules export it: ntoskrnl.exe (with the image-only exports of
// image_only_exports.h), HAL.dll, ks.sys and USBD.SYS. An image's import is
// bound by module name (case-insensitive) and function name (exact).
//
// Each function entry records whether the stand-in declares it with the
// Windows x64 calling convention (NTAPI, ms_abi); the loader refuses to bind
// one that is not, since the image would pass its arguments in the wrong
// registers.
//
// Immutable; any thread.
#pragma once

#include <span>
#include <string_view>

namespace host::image {

struct Export {
    std::string_view name;
    const void* address = nullptr;
    bool data = false;               // a variable, bound to its address
    bool windowsConvention = false;  // functions: declared ms_abi
};

struct ExportModule {
    std::string_view name;
    std::span<const Export> exports;
};

std::span<const ExportModule> exportModules();

// The export `name` of `module` (compared case-insensitively), or null.
const Export* findExport(std::string_view module, std::string_view name);

}  // namespace host::image
