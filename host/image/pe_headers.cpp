// PE32+ header parsing. Offsets are those of Microsoft's "PE Format"
// documentation: IMAGE_DOS_HEADER.e_lfanew at 0x3C, then "PE\0\0", the
// 20-byte file header, the optional header (PE32+ layout) and the 40-byte
// section headers.
#include "pe_headers.h"

#include <cstdio>

namespace host::image {
namespace {

constexpr std::uint64_t kLfanewOffset = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kFileHeaderSize = 20;
constexpr std::uint64_t kDirectoriesOffset = 112;  // in the PE32+ optional header
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint16_t kMaximumSections = 96;

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::uint32_t pageRoundUp(std::uint64_t value) {
    return static_cast<std::uint32_t>((value + pe::kPageSize - 1) &
                                      ~std::uint64_t{pe::kPageSize - 1});
}

// The NT headers' offset, after the DOS header's checks.
std::uint64_t ntHeadersOffset(const ByteWindow& file) {
    if (file.size() < 2 || file.u16(0, "the DOS header") != 0x5A4D) {
        file.refuse("is not a PE image (no MZ signature)");
    }
    const std::uint64_t offset = file.u32(kLfanewOffset, "the DOS header");
    if (file.u32(offset, "the PE signature") != kPeSignature) {
        file.refuse("is not a PE image (no PE signature at " + hex(offset) + ")");
    }
    return offset;
}

void readFileHeader(const ByteWindow& file, std::uint64_t at, PeHeaders& headers) {
    file.require(at, kFileHeaderSize, "the COFF file header");
    headers.machine = file.u16(at, "the machine");
    if (headers.machine != pe::kMachineAmd64) {
        char message[80];
        std::snprintf(message, sizeof message, "is built for machine 0x%04x, not AMD64 (0x8664)",
                      headers.machine);
        file.refuse(message);
    }
    headers.symbolTableOffset = file.u32(at + 8, "the symbol table pointer");
    headers.symbolCount = file.u32(at + 12, "the symbol count");
    headers.characteristics = file.u16(at + 18, "the characteristics");
}

void readOptionalHeader(const ByteWindow& file, std::uint64_t at, std::uint16_t size,
                        PeHeaders& headers) {
    file.require(at, size, "the optional header");
    const std::uint16_t magic = size >= 2 ? file.u16(at, "the optional header") : 0;
    if (magic == pe::kMagicPe32) {
        file.refuse("is a PE32 (32-bit) image, not PE32+");
    }
    if (magic != pe::kMagicPe32Plus) {
        file.refuse("has optional header magic " + hex(magic) + ", not PE32+ (0x20b)");
    }
    if (size < kDirectoriesOffset) {
        file.refuse("has an optional header of " + hex(size) + " bytes, too small for PE32+");
    }
    headers.entryPointRva = file.u32(at + 16, "the entry point");
    headers.imageBase = file.u64(at + 24, "the image base");
    headers.sectionAlignment = file.u32(at + 32, "the section alignment");
    headers.sizeOfImage = file.u32(at + 56, "SizeOfImage");
    headers.sizeOfHeaders = file.u32(at + 60, "SizeOfHeaders");
    headers.checkSumOffset = at + 64;
    headers.checkSum = file.u32(at + 64, "the checksum");
    headers.subsystem = file.u16(at + 68, "the subsystem");
    const std::uint32_t count = file.u32(at + 108, "the directory count");
    const std::uint64_t used = std::min<std::uint64_t>(count, pe::kDirectoryCount);
    if (kDirectoriesOffset + used * 8 > size) {
        file.refuse("has " + std::to_string(count) +
                    " data directories, more than its optional "
                    "header holds");
    }
    for (std::uint64_t index = 0; index < used; ++index) {
        const std::uint64_t entry = at + kDirectoriesOffset + index * 8;
        headers.directories[index] = {file.u32(entry, "a data directory"),
                                      file.u32(entry + 4, "a data directory")};
    }
}

void checkImageLayout(const ByteWindow& file, std::uint64_t sectionTableEnd, PeHeaders& headers) {
    if (headers.sectionAlignment == 0 || headers.sectionAlignment % pe::kPageSize != 0) {
        file.refuse("has section alignment " + hex(headers.sectionAlignment) +
                    ", not a multiple of the page size");
    }
    if (headers.sizeOfImage == 0 || headers.sizeOfImage > pe::kMaximumImageSize) {
        file.refuse("has SizeOfImage " + hex(headers.sizeOfImage) + " (at most " +
                    hex(pe::kMaximumImageSize) + ")");
    }
    headers.sizeOfImage = pageRoundUp(headers.sizeOfImage);
    if (headers.sizeOfHeaders < sectionTableEnd || headers.sizeOfHeaders > headers.sizeOfImage) {
        file.refuse("has SizeOfHeaders " + hex(headers.sizeOfHeaders) +
                    ", which does not cover the section table or exceeds SizeOfImage");
    }
    file.require(0, headers.sizeOfHeaders, "the headers (SizeOfHeaders)");
}

std::string sectionName(std::span<const std::byte> raw) {
    std::string name;
    for (std::byte b : raw) {
        const char c = static_cast<char>(b);
        if (c == '\0') {
            break;
        }
        name.push_back(c >= ' ' && c <= '~' ? c : '?');
    }
    return name;
}

SectionHeader readSection(const ByteWindow& file, std::uint64_t at) {
    SectionHeader section;
    section.name = sectionName(file.bytes(at, 8, "a section header"));
    section.virtualSize = file.u32(at + 8, "a section header");
    section.virtualAddress = file.u32(at + 12, "a section header");
    section.sizeOfRawData = file.u32(at + 16, "a section header");
    section.pointerToRawData = file.u32(at + 20, "a section header");
    section.characteristics = file.u32(at + 36, "a section header");
    if (section.virtualSize == 0) {
        section.virtualSize = section.sizeOfRawData;
    }
    return section;
}

void checkSection(const ByteWindow& file, const SectionHeader& section, std::uint64_t previousEnd,
                  const PeHeaders& headers) {
    const std::string label = "section " + section.name;
    if (section.virtualAddress % pe::kPageSize != 0) {
        file.refuse(label + " is not page-aligned (RVA " + hex(section.virtualAddress) + ")");
    }
    if (section.virtualAddress < previousEnd) {
        file.refuse(label + " overlaps the headers or the section before it");
    }
    if (std::uint64_t{section.virtualAddress} + section.virtualSize > headers.sizeOfImage) {
        file.refuse(label + " extends past SizeOfImage");
    }
    if (section.fileBytes() != 0) {
        file.require(section.pointerToRawData, section.fileBytes(), label + "'s data");
    }
}

void readSections(const ByteWindow& file, std::uint64_t table, std::uint16_t count,
                  PeHeaders& headers) {
    std::uint64_t previousEnd = pageRoundUp(headers.sizeOfHeaders);
    for (std::uint16_t index = 0; index < count; ++index) {
        SectionHeader section = readSection(file, table + index * kSectionHeaderSize);
        checkSection(file, section, previousEnd, headers);
        previousEnd = pageRoundUp(std::uint64_t{section.virtualAddress} + section.virtualSize);
        headers.sections.push_back(std::move(section));
    }
}

}  // namespace

const SectionHeader* PeHeaders::sectionAt(std::uint64_t rva) const {
    for (const SectionHeader& section : sections) {
        if (section.contains(rva)) {
            return &section;
        }
    }
    return nullptr;
}

PeHeaders readPeHeaders(const ByteWindow& file) {
    PeHeaders headers;
    const std::uint64_t nt = ntHeadersOffset(file);
    const std::uint64_t fileHeader = nt + 4;
    readFileHeader(file, fileHeader, headers);
    const std::uint16_t sectionCount = file.u16(fileHeader + 2, "the section count");
    const std::uint16_t optionalSize = file.u16(fileHeader + 16, "the optional header size");
    const std::uint64_t optional = fileHeader + kFileHeaderSize;
    readOptionalHeader(file, optional, optionalSize, headers);
    if (sectionCount == 0 || sectionCount > kMaximumSections) {
        file.refuse("has " + std::to_string(sectionCount) + " sections (1 to 96 allowed)");
    }
    const std::uint64_t table = optional + optionalSize;
    file.require(table, sectionCount * kSectionHeaderSize, "the section table");
    checkImageLayout(file, table + sectionCount * kSectionHeaderSize, headers);
    readSections(file, table, sectionCount, headers);
    return headers;
}

}  // namespace host::image
