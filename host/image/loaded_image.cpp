#include "loaded_image.h"

#include <cstdio>

namespace host::image {

bool LoadedImage::containsCode(const void* address) const {
    if (!contains(address)) {
        return false;
    }
    const SectionHeader* section = headers.sectionAt(rvaOf(address));
    return section != nullptr && section->executable();
}

std::uint32_t LoadedImage::rvaOf(const void* address) const {
    return static_cast<std::uint32_t>(static_cast<const std::byte*>(address) - mapping->base());
}

std::string LoadedImage::functionAt(const void* address) const {
    const std::uint32_t rva = rvaOf(address);
    std::string function = symbols.describe(rva, headers);
    if (function.empty()) {
        char text[32];
        std::snprintf(text, sizeof text, "RVA 0x%x", rva);
        function = text;
    }
    return function;
}

std::string LoadedImage::symbolize(const void* address) const {
    if (!contains(address)) {
        return {};
    }
    const std::uint32_t rva = rvaOf(address);
    const std::string function = symbols.describe(rva, headers);
    if (!function.empty()) {
        return name + "!" + function;
    }
    char offset[24];
    std::snprintf(offset, sizeof offset, "+0x%x", rva);
    return name + offset;
}

}  // namespace host::image
