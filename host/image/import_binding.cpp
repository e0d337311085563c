// The import directory (Microsoft's "PE Format" documentation, "The .idata
// Section"): 20-byte descriptors (import lookup table RVA, time stamp,
// forwarder chain, module name RVA, import address table RVA) up to an
// all-zero one; each lookup table holds 8-byte entries up to a zero one:
// bit 63 set for an ordinal, otherwise the RVA of a 2-byte hint and the
// name.
#include "import_binding.h"

#include <cstring>

#include "byte_window.h"
#include "export_table.h"

namespace host::image {
namespace {

constexpr std::uint64_t kDescriptorSize = 20;
constexpr std::uint64_t kOrdinalFlag = 1ULL << 63;
constexpr std::size_t kMaximumModuleName = 256;
constexpr std::size_t kMaximumFunctionName = 4096;

struct Descriptor {
    std::uint32_t lookupTable = 0;
    std::uint32_t moduleName = 0;
    std::uint32_t addressTable = 0;
};

Descriptor readDescriptor(const ByteWindow& window, std::uint64_t at) {
    window.require(at, kDescriptorSize, "an import descriptor");
    Descriptor descriptor{window.u32(at, "an import descriptor"),
                          window.u32(at + 12, "an import descriptor"),
                          window.u32(at + 16, "an import descriptor")};
    if (descriptor.lookupTable == 0) {  // old linkers: the address table doubles as it
        descriptor.lookupTable = descriptor.addressTable;
    }
    return descriptor;
}

bool isTerminator(const ByteWindow& window, std::uint64_t at) {
    for (std::uint64_t offset = 0; offset < kDescriptorSize; offset += 4) {
        if (window.u32(at + offset, "an import descriptor") != 0) {
            return false;
        }
    }
    return true;
}

const Export& lookUp(const ByteWindow& window, const std::string& module, const std::string& name) {
    const Export* entry = findExport(module, name);
    if (entry == nullptr) {
        window.refuse("imports " + module + "!" + name + ", which the stand-in does not provide");
    }
    if (!entry->data && !entry->windowsConvention) {
        window.refuse("imports " + module + "!" + name +
                      ", which the stand-in declares without the Windows x64 calling "
                      "convention (NTAPI)");
    }
    return *entry;
}

void bindModule(std::span<std::byte> image, const ByteWindow& window, const Descriptor& descriptor,
                std::vector<std::string>& bound) {
    const std::string module =
        window.cString(descriptor.moduleName, kMaximumModuleName, "an imported module's name");
    for (std::uint64_t slot = 0;; ++slot) {
        const std::uint64_t lookup =
            window.u64(descriptor.lookupTable + slot * 8, "an import lookup table of " + module);
        if (lookup == 0) {
            return;
        }
        if ((lookup & kOrdinalFlag) != 0) {
            window.refuse("imports ordinal " + std::to_string(lookup & 0xFFFF) + " of " + module +
                          "; the stand-in binds imports by name only");
        }
        if (lookup > 0x7FFFFFFF) {
            window.refuse("has a malformed import lookup entry for " + module);
        }
        const std::string name =
            window.cString(lookup + 2, kMaximumFunctionName, "an imported name from " + module);
        const Export& entry = lookUp(window, module, name);
        const std::uint64_t target = descriptor.addressTable + slot * 8;
        window.require(target, 8, "the import address table of " + module);
        const auto address = reinterpret_cast<std::uint64_t>(entry.address);
        std::memcpy(image.data() + target, &address, 8);
        bound.push_back(module + "!" + name);
    }
}

}  // namespace

std::vector<std::string> bindImports(std::span<std::byte> image, const PeHeaders& headers,
                                     std::string_view imageName) {
    const ByteWindow window(image, imageName, "image");
    std::vector<std::string> bound;
    const DataDirectory& directory = headers.directory(pe::kImportDirectory);
    if (!directory.present()) {
        return bound;
    }
    for (std::uint64_t at = directory.rva; !isTerminator(window, at); at += kDescriptorSize) {
        bindModule(image, window, readDescriptor(window, at), bound);
    }
    return bound;
}

}  // namespace host::image
