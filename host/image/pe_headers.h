// The headers of a PE32+ image file (Microsoft's "PE Format"
// documentation): the COFF file header, the PE32+ optional header with its
// data directories, and the section table, read from untrusted bytes.
//
// readPeHeaders checks the structure (every offset and size inside the
// file, sections page-aligned, in order, without overlap, inside
// SizeOfImage) and refuses, with ImageError, a file that is not PE32+ for
// AMD64 as soon as it can tell. What a kernel image must additionally be
// (subsystem, no TLS, no W+X section...) is image_requirements.h.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_window.h"

namespace host::image {

namespace pe {
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::uint16_t kSubsystemNative = 1;

constexpr std::uint16_t kFileRelocsStripped = 0x0001;
constexpr std::uint16_t kFileExecutableImage = 0x0002;

constexpr std::uint32_t kSectionCode = 0x00000020;
constexpr std::uint32_t kSectionUninitializedData = 0x00000080;
constexpr std::uint32_t kSectionExecute = 0x20000000;
constexpr std::uint32_t kSectionRead = 0x40000000;
constexpr std::uint32_t kSectionWrite = 0x80000000;

enum Directory : std::size_t {
    kExportDirectory = 0,
    kImportDirectory = 1,
    kExceptionDirectory = 3,
    kBaseRelocationDirectory = 5,
    kTlsDirectory = 9,
    kDelayImportDirectory = 13,
    kDirectoryCount = 16,
};

constexpr std::uint32_t kPageSize = 0x1000;
// Larger images are refused: nothing a driver needs comes close, and the
// size comes from an untrusted file.
constexpr std::uint32_t kMaximumImageSize = 256u << 20;
}  // namespace pe

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
    bool present() const { return rva != 0 || size != 0; }
};

struct SectionHeader {
    std::string name;                  // printable, at most 8 characters
    std::uint32_t virtualSize = 0;     // as mapped (SizeOfRawData when zero)
    std::uint32_t virtualAddress = 0;  // page-aligned RVA
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;

    bool executable() const { return (characteristics & pe::kSectionExecute) != 0; }
    bool writable() const { return (characteristics & pe::kSectionWrite) != 0; }
    bool readable() const { return (characteristics & pe::kSectionRead) != 0; }
    bool contains(std::uint64_t rva) const {
        return rva >= virtualAddress && rva - virtualAddress < virtualSize;
    }
    // The bytes the file provides for the section (the rest is zero).
    std::uint32_t fileBytes() const {
        return pointerToRawData == 0 ? 0 : std::min(sizeOfRawData, virtualSize);
    }
};

struct PeHeaders {
    // COFF file header.
    std::uint16_t machine = 0;
    std::uint16_t characteristics = 0;
    std::uint32_t symbolTableOffset = 0;
    std::uint32_t symbolCount = 0;
    // PE32+ optional header.
    std::uint32_t entryPointRva = 0;
    std::uint64_t imageBase = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t sizeOfImage = 0;  // rounded up to whole pages
    std::uint32_t sizeOfHeaders = 0;
    std::uint32_t checkSum = 0;
    std::uint64_t checkSumOffset = 0;  // of the field, in the file
    std::uint16_t subsystem = 0;
    std::array<DataDirectory, pe::kDirectoryCount> directories{};
    std::vector<SectionHeader> sections;  // in address order

    const DataDirectory& directory(pe::Directory which) const { return directories[which]; }
    // The section holding `rva`, or null.
    const SectionHeader* sectionAt(std::uint64_t rva) const;
};

PeHeaders readPeHeaders(const ByteWindow& file);

}  // namespace host::image
