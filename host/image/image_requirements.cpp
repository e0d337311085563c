#include "image_requirements.h"

#include <cstdio>

#include "pe_checksum.h"

namespace host::image {
namespace {

std::string subsystemName(std::uint16_t subsystem) {
    switch (subsystem) {
        case 2:
            return "Windows GUI";
        case 3:
            return "Windows console";
        case 9:
            return "Windows CE GUI";
        case 10:
            return "EFI application";
        case 11:
            return "EFI boot service driver";
        case 12:
            return "EFI runtime driver";
        case 16:
            return "Windows boot application";
        default:
            return "unknown";
    }
}

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

void checkKind(const ByteWindow& file, const PeHeaders& headers) {
    if ((headers.characteristics & pe::kFileExecutableImage) == 0) {
        file.refuse("is not marked as an executable image");
    }
    if (headers.subsystem != pe::kSubsystemNative) {
        file.refuse("is for subsystem " + std::to_string(headers.subsystem) + " (" +
                    subsystemName(headers.subsystem) + "), not native (1)");
    }
    if (headers.directory(pe::kTlsDirectory).present()) {
        file.refuse("has a TLS directory; a kernel image cannot use thread-local storage");
    }
    if (headers.directory(pe::kDelayImportDirectory).present()) {
        file.refuse("has delay-load imports, which the kernel's loader does not support");
    }
}

void checkSections(const ByteWindow& file, const PeHeaders& headers) {
    for (const SectionHeader& section : headers.sections) {
        if (section.writable() && section.executable()) {
            file.refuse("section " + section.name + " is both writable and executable");
        }
    }
    const SectionHeader* entry = headers.sectionAt(headers.entryPointRva);
    if (entry == nullptr || !entry->executable()) {
        file.refuse("has its entry point at RVA " + hex(headers.entryPointRva) +
                    ", outside its code");
    }
}

void checkCheckSum(const ByteWindow& file, std::span<const std::byte> bytes,
                   const PeHeaders& headers) {
    const std::uint32_t sum = peCheckSum(bytes, headers.checkSumOffset);
    if (sum != headers.checkSum) {
        file.refuse("has image checksum " + hex(headers.checkSum) + " but its contents sum to " +
                    hex(sum) + " (a damaged or modified file)");
    }
}

}  // namespace

void checkKernelImageRequirements(const ByteWindow& file, std::span<const std::byte> bytes,
                                  const PeHeaders& headers) {
    checkKind(file, headers);
    checkSections(file, headers);
    checkCheckSum(file, bytes, headers);
}

}  // namespace host::image
