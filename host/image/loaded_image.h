// What the loader keeps of a loaded image: its headers, function symbols,
// mapping, bound imports and its lease on the shared user page. Built by
// KernelImage::load, owned by the KernelImage, listed in loaded_images.h
// while alive.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "coff_symbols.h"
#include "image_mapping.h"
#include "pe_headers.h"
#include "shared_user_data.h"

namespace host::image {

struct LoadedImage {
    std::string name;
    PeHeaders headers;
    FunctionSymbols symbols;
    // Before the mapping, so that the page outlives the code reading it.
    std::unique_ptr<SharedUserDataLease> sharedData;
    std::unique_ptr<ImageMapping> mapping;
    std::vector<std::string> boundImports;
    std::size_t sharedDataReads = 0;

    bool contains(const void* address) const { return mapping->contains(address); }
    // Inside an executable section.
    bool containsCode(const void* address) const;
    std::uint32_t rvaOf(const void* address) const;
    // "Function+0x1c", "Function", or "RVA 0x1234" where no function is known
    // (the address must be inside the image).
    std::string functionAt(const void* address) const;
    // "bayercam.sys!Function+0x1c", "bayercam.sys+0x1234", or "" outside.
    std::string symbolize(const void* address) const;
};

}  // namespace host::image
