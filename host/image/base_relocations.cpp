// The .reloc directory (Microsoft's "PE Format" documentation, "The .reloc
// Section"): blocks of a 4-byte page RVA, a 4-byte block size (header
// included) and 2-byte entries, type in the top 4 bits, offset in the page
// in the low 12.
#include "base_relocations.h"

#include <cstdio>
#include <cstring>

namespace host::image {
namespace {

constexpr std::uint16_t kAbsolute = 0;
constexpr std::uint16_t kDir64 = 10;
constexpr std::uint32_t kBlockHeaderSize = 8;

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

void relocate(std::span<std::byte> image, const ByteWindow& window, std::uint64_t target,
              std::uint64_t delta) {
    window.require(target, 8, "a relocation target");
    std::uint64_t value;
    std::memcpy(&value, image.data() + target, 8);
    value += delta;
    std::memcpy(image.data() + target, &value, 8);
}

// One block at `at`; returns its size.
std::uint32_t applyBlock(std::span<std::byte> image, const ByteWindow& window, std::uint64_t at,
                         std::uint64_t end, std::uint64_t delta) {
    const std::uint32_t page = window.u32(at, "a relocation block");
    const std::uint32_t size = window.u32(at + 4, "a relocation block");
    if (size < kBlockHeaderSize || size % 2 != 0 || size > end - at) {
        window.refuse("has a relocation block of " + hex(size) + " bytes at RVA " + hex(at) +
                      ", which does not fit its directory");
    }
    for (std::uint64_t entry = at + kBlockHeaderSize; entry < at + size; entry += 2) {
        const std::uint16_t value = window.u16(entry, "a relocation entry");
        const std::uint16_t type = static_cast<std::uint16_t>(value >> 12);
        const std::uint64_t target = std::uint64_t{page} + (value & 0xFFFu);
        if (type == kDir64) {
            relocate(image, window, target, delta);
        } else if (type != kAbsolute) {
            window.refuse("has a relocation of type " + std::to_string(type) + " at RVA " +
                          hex(target) + " (only DIR64 and ABSOLUTE are valid for x64)");
        }
    }
    return size;
}

}  // namespace

void applyBaseRelocations(std::span<std::byte> image, const PeHeaders& headers,
                          std::string_view imageName) {
    const ByteWindow window(image, imageName, "image");
    const DataDirectory& directory = headers.directory(pe::kBaseRelocationDirectory);
    if (!directory.present() || (headers.characteristics & pe::kFileRelocsStripped) != 0) {
        window.refuse("has no base relocations, so it can only run at its preferred base");
    }
    window.require(directory.rva, directory.size, "the relocation directory");
    const std::uint64_t delta = reinterpret_cast<std::uintptr_t>(image.data()) - headers.imageBase;
    const std::uint64_t end = std::uint64_t{directory.rva} + directory.size;
    for (std::uint64_t at = directory.rva; at < end;) {
        if (end - at < kBlockHeaderSize) {
            window.refuse("has a truncated relocation block at RVA " + hex(at));
        }
        at += applyBlock(image, window, at, end, delta);
    }
}

}  // namespace host::image
