// The memory an image occupies: SizeOfImage bytes of private anonymous
// mapping, writable while the loader fills it, then protected section by
// section (read-only headers; R, RW or RX sections by their
// characteristics; nothing else accessible). Unmapped on destruction.
//
// Owned by one loaded image; not thread-safe while being filled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "byte_window.h"
#include "pe_headers.h"

namespace host::image {

class ImageMapping {
  public:
    // Throws ImageError (naming `image`) when the host cannot map it.
    ImageMapping(std::size_t size, std::string_view image);
    ~ImageMapping();
    ImageMapping(const ImageMapping&) = delete;
    ImageMapping& operator=(const ImageMapping&) = delete;

    std::byte* base() const { return base_; }
    std::size_t size() const { return size_; }
    std::span<std::byte> bytes() const { return {base_, size_}; }
    bool contains(const void* address) const {
        const auto* at = static_cast<const std::byte*>(address);
        return at >= base_ && at < base_ + size_;
    }

    // Copies the headers and each section's file bytes (the rest stays zero).
    void copyFrom(std::span<const std::byte> file, const PeHeaders& headers);
    // Applies the final protections; the loader writes nothing afterwards.
    void protect(const PeHeaders& headers);

  private:
    void protectRange(std::uint64_t rva, std::uint64_t length, int protection);

    std::string name_;
    std::byte* base_ = nullptr;
    std::size_t size_ = 0;
};

// Image mappings currently alive in the process (for tests: a refused or
// unloaded image leaves none behind).
std::size_t liveImageMappings();

// PROT_* for a section: RX when executable, RW when writable, else R (a
// section that is neither readable nor anything else is inaccessible).
int sectionProtection(const SectionHeader& section);

}  // namespace host::image
