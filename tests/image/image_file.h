// The kernel image the tests load, and copies of it changed on purpose.
//
// The image is build/windows/driver/bayercam.sys of this tree, or the file
// named by the environment variable BAYERCAM_KERNEL_IMAGE. Tests that need
// it start with SKIP_WITHOUT_KERNEL_IMAGE(), which skips them (saying why)
// when it has not been built.
//
// ImageBytes locates the PE fields a test changes by the file format alone
// (not through the loader under test) and writes the result under the
// image's own name into a private temporary directory, with the checksum
// fixed up unless asked otherwise, so that the loader refuses the copy for
// the change made and not for the checksum.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

std::optional<std::filesystem::path> kernelImagePath();

#define SKIP_WITHOUT_KERNEL_IMAGE()                                                       \
    do {                                                                                  \
        if (!kernelImagePath()) {                                                         \
            GTEST_SKIP() << "no kernel image: build it (cmake --preset windows && cmake " \
                            "--build --preset windows) or set BAYERCAM_KERNEL_IMAGE";     \
        }                                                                                 \
    } while (0)

struct SectionInfo {
    std::string name;
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t characteristics = 0;
    std::size_t headerOffset = 0;  // of the section header in the file
};

class ImageBytes {
  public:
    static ImageBytes readKernelImage();
    explicit ImageBytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::vector<std::uint8_t>& bytes() { return bytes_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    std::size_t peHeader() const { return u32(0x3C); }
    std::size_t fileHeader() const { return peHeader() + 4; }
    std::size_t optionalHeader() const { return fileHeader() + 20; }
    std::size_t checkSumField() const { return optionalHeader() + 64; }
    std::size_t directoryEntry(int index) const { return optionalHeader() + 112 + 8 * index; }
    std::uint64_t imageBase() const { return u64(optionalHeader() + 24); }
    std::uint32_t entryPoint() const { return u32(optionalHeader() + 16); }

    std::vector<SectionInfo> sections() const;
    SectionInfo section(std::string_view name) const;
    // The file offset of an RVA inside a section's file data.
    std::size_t fileOffset(std::uint32_t rva) const;
    // The first occurrence of `pattern` in the file bytes of `section`.
    std::optional<std::size_t> find(std::string_view section,
                                    const std::vector<std::uint8_t>& pattern) const;

    std::uint16_t u16(std::size_t at) const;
    std::uint32_t u32(std::size_t at) const;
    std::uint64_t u64(std::size_t at) const;
    void put16(std::size_t at, std::uint16_t value);
    void put32(std::size_t at, std::uint32_t value);
    void put64(std::size_t at, std::uint64_t value);
    void put(std::size_t at, const std::vector<std::uint8_t>& values);

    // Makes the checksum match the bytes (if the file has the field).
    void fixCheckSum();

  private:
    std::vector<std::uint8_t> bytes_;
};

// A private temporary directory holding copies of the image, removed with it.
class ImageCopies {
  public:
    ImageCopies();
    ~ImageCopies();
    ImageCopies(const ImageCopies&) = delete;
    ImageCopies& operator=(const ImageCopies&) = delete;

    // Writes `image` as <dir>/<n>/bayercam.sys (checksum fixed first unless
    // `keepCheckSum`) and returns its path.
    std::filesystem::path write(ImageBytes image, bool keepCheckSum = false);

  private:
    std::filesystem::path directory_;
    int count_ = 0;
};
