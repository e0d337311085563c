#include "image_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

std::optional<std::filesystem::path> kernelImagePath() {
    std::filesystem::path path = BAYERCAM_KERNEL_IMAGE_PATH;
    if (const char* overridden = std::getenv("BAYERCAM_KERNEL_IMAGE")) {
        path = overridden;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    return path;
}

ImageBytes ImageBytes::readKernelImage() {
    std::ifstream stream(*kernelImagePath(), std::ios::binary);
    return ImageBytes(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), {}));
}

std::vector<SectionInfo> ImageBytes::sections() const {
    std::vector<SectionInfo> result;
    const std::size_t count = u16(fileHeader() + 2);
    const std::size_t table = optionalHeader() + u16(fileHeader() + 16);
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t at = table + index * 40;
        SectionInfo section;
        section.name.assign(reinterpret_cast<const char*>(&bytes_[at]),
                            strnlen(reinterpret_cast<const char*>(&bytes_[at]), 8));
        section.virtualSize = u32(at + 8);
        section.virtualAddress = u32(at + 12);
        section.rawSize = u32(at + 16);
        section.rawOffset = u32(at + 20);
        section.characteristics = u32(at + 36);
        section.headerOffset = at;
        result.push_back(section);
    }
    return result;
}

SectionInfo ImageBytes::section(std::string_view name) const {
    for (const SectionInfo& section : sections()) {
        if (section.name == name) {
            return section;
        }
    }
    ADD_FAILURE() << "no section " << name;
    return {};
}

std::size_t ImageBytes::fileOffset(std::uint32_t rva) const {
    for (const SectionInfo& section : sections()) {
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize) {
            return section.rawOffset + (rva - section.virtualAddress);
        }
    }
    ADD_FAILURE() << "RVA " << rva << " has no file data";
    return 0;
}

std::optional<std::size_t> ImageBytes::find(std::string_view sectionName,
                                            const std::vector<std::uint8_t>& pattern) const {
    const SectionInfo where = section(sectionName);
    const auto begin = bytes_.begin() + where.rawOffset;
    const auto end = begin + std::min(where.rawSize, where.virtualSize);
    const auto found = std::search(begin, end, pattern.begin(), pattern.end());
    if (found == end) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - bytes_.begin());
}

std::uint16_t ImageBytes::u16(std::size_t at) const {
    std::uint16_t value;
    std::memcpy(&value, &bytes_.at(at + 1) - 1, 2);
    return value;
}

std::uint32_t ImageBytes::u32(std::size_t at) const {
    std::uint32_t value;
    std::memcpy(&value, &bytes_.at(at + 3) - 3, 4);
    return value;
}

std::uint64_t ImageBytes::u64(std::size_t at) const {
    std::uint64_t value;
    std::memcpy(&value, &bytes_.at(at + 7) - 7, 8);
    return value;
}

void ImageBytes::put16(std::size_t at, std::uint16_t value) {
    std::memcpy(&bytes_.at(at + 1) - 1, &value, 2);
}

void ImageBytes::put32(std::size_t at, std::uint32_t value) {
    std::memcpy(&bytes_.at(at + 3) - 3, &value, 4);
}

void ImageBytes::put64(std::size_t at, std::uint64_t value) {
    std::memcpy(&bytes_.at(at + 7) - 7, &value, 8);
}

void ImageBytes::put(std::size_t at, const std::vector<std::uint8_t>& values) {
    std::copy(values.begin(), values.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
}

// imagehlp's CheckSumMappedFile: 16-bit words summed with end-around
// carry, the checksum field counted as zero, plus the file length.
void ImageBytes::fixCheckSum() {
    if (bytes_.size() < 0x40 || checkSumField() + 4 > bytes_.size()) {
        return;  // no checksum field to fix
    }
    const std::size_t field = checkSumField();
    put32(field, 0);
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < bytes_.size(); at += 2) {
        const std::uint32_t high = at + 1 < bytes_.size() ? bytes_[at + 1] : 0;
        sum += bytes_[at] | (high << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    put32(field, static_cast<std::uint32_t>(sum + bytes_.size()));
}

ImageCopies::ImageCopies() {
    static int instances = 0;
    directory_ = std::filesystem::temp_directory_path() /
                 ("bayercam_image_" + std::to_string(getpid()) + "_" + std::to_string(++instances));
    std::filesystem::create_directories(directory_);
}

ImageCopies::~ImageCopies() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

std::filesystem::path ImageCopies::write(ImageBytes image, bool keepCheckSum) {
    if (!keepCheckSum) {
        image.fixCheckSum();
    }
    const std::filesystem::path folder = directory_ / std::to_string(++count_);
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "bayercam.sys";
    std::ofstream stream(file, std::ios::binary);
    stream.write(reinterpret_cast<const char*>(image.bytes().data()),
                 static_cast<std::streamsize>(image.bytes().size()));
    return file;
}
