#include "image_mapping.h"

#include <sys/mman.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "kernel_image.h"

namespace host::image {
namespace {

std::uint64_t pageRoundUp(std::uint64_t value) {
    return (value + pe::kPageSize - 1) & ~std::uint64_t{pe::kPageSize - 1};
}

std::atomic<std::size_t> liveMappings{0};

}  // namespace

std::size_t liveImageMappings() {
    return liveMappings.load();
}

int sectionProtection(const SectionHeader& section) {
    if (section.executable()) {
        return PROT_READ | PROT_EXEC;
    }
    if (section.writable()) {
        return PROT_READ | PROT_WRITE;
    }
    return section.readable() ? PROT_READ : PROT_NONE;
}

ImageMapping::ImageMapping(std::size_t size, std::string_view image) : name_(image), size_(size) {
    void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) {
        throw ImageError(std::string(image) + ": cannot map " + std::to_string(size) +
                         " bytes: " + std::strerror(errno));
    }
    base_ = static_cast<std::byte*>(base);
    ++liveMappings;
}

ImageMapping::~ImageMapping() {
    munmap(base_, size_);
    --liveMappings;
}

void ImageMapping::copyFrom(std::span<const std::byte> file, const PeHeaders& headers) {
    std::memcpy(base_, file.data(), headers.sizeOfHeaders);
    for (const SectionHeader& section : headers.sections) {
        std::memcpy(base_ + section.virtualAddress, file.data() + section.pointerToRawData,
                    section.fileBytes());
    }
}

void ImageMapping::protect(const PeHeaders& headers) {
    protectRange(0, size_, PROT_NONE);
    protectRange(0, headers.sizeOfHeaders, PROT_READ);
    for (const SectionHeader& section : headers.sections) {
        protectRange(section.virtualAddress, section.virtualSize, sectionProtection(section));
    }
}

void ImageMapping::protectRange(std::uint64_t rva, std::uint64_t length, int protection) {
    if (length == 0) {
        return;
    }
    if (mprotect(base_ + rva, pageRoundUp(length), protection) != 0) {
        throw ImageError(name_ + ": cannot protect the image: " + std::strerror(errno));
    }
}

}  // namespace host::image
