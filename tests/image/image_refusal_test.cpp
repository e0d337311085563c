// Copies of the kernel image changed in one way each: every change the
// loader must not run is refused with a one-line message naming it, never
// a crash, and a refused load leaves nothing mapped behind.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include <image/image_mapping.h>
#include <image/instruction_decoder.h>
#include <image/kernel_image.h>

#include "image_file.h"
#include "support/ledger_test.h"

namespace {

using host::image::ImageError;
using host::image::KernelImage;

class ImageRefusalTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        if (kernelImagePath()) {
            original = ImageBytes::readKernelImage();
        }
    }

    // Loads `file` and returns the refusal, or "loaded" if there was none.
    static std::string refusal(const std::filesystem::path& file) {
        try {
            auto image = KernelImage::load(file);
            return "loaded";
        } catch (const ImageError& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind("bayercam.sys: ", 0), 0U) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos) << message;
            return message;
        }
    }

    void expectRefused(ImageBytes changed, std::string_view fragment, bool keepCheckSum = false) {
        const std::string message = refusal(copies.write(std::move(changed), keepCheckSum));
        EXPECT_NE(message.find(fragment), std::string::npos)
            << "expected \"" << fragment << "\", got \"" << message << "\"";
    }

    ImageBytes changedCopy() const { return original; }

    // The entry point's first instruction replaced by `code`, padded with
    // nops to that instruction's length.
    ImageBytes withEntryInstruction(const std::vector<std::uint8_t>& code) const {
        ImageBytes image = original;
        const std::size_t at = image.fileOffset(image.entryPoint());
        const auto first =
            host::image::decodeInstruction(std::as_bytes(std::span(image.bytes()).subspan(at, 15)));
        EXPECT_TRUE(first && first->length >= code.size());
        std::vector<std::uint8_t> padded = code;
        padded.resize(first ? first->length : code.size(), 0x90);
        image.put(at, padded);
        return image;
    }

    // The file offset of the first import lookup table entry.
    std::size_t firstLookupEntry() const {
        const std::size_t descriptor =
            original.fileOffset(original.u32(original.directoryEntry(1)));
        return original.fileOffset(original.u32(descriptor));
    }

    ImageBytes original{{}};
    ImageCopies copies;
};

TEST_F(ImageRefusalTest, TheUnchangedCopyLoads) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    EXPECT_EQ(refusal(copies.write(changedCopy())), "loaded");
}

TEST_F(ImageRefusalTest, OtherMachinesFormatsAndSubsystems) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    ImageBytes image = changedCopy();
    image.put16(image.fileHeader(), 0x14c);
    expectRefused(image, "is built for machine 0x014c, not AMD64 (0x8664)");

    image = changedCopy();
    image.put16(image.optionalHeader(), 0x10b);
    expectRefused(image, "is a PE32 (32-bit) image, not PE32+");

    image = changedCopy();
    image.put16(image.optionalHeader() + 68, 2);
    expectRefused(image, "is for subsystem 2 (Windows GUI), not native (1)");

    image = changedCopy();
    image.put16(0, 0x4D5A);
    expectRefused(image, "is not a PE image (no MZ signature)");

    image = changedCopy();
    image.put32(image.peHeader(), 0x00004E45);
    expectRefused(image, "is not a PE image (no PE signature");
}

TEST_F(ImageRefusalTest, ThreadLocalStorageAndDelayLoadImports) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::uint32_t rdata = original.section(".rdata").virtualAddress;
    ImageBytes image = changedCopy();
    image.put32(image.directoryEntry(9), rdata);
    image.put32(image.directoryEntry(9) + 4, 0x28);
    expectRefused(image, "has a TLS directory");

    image = changedCopy();
    image.put32(image.directoryEntry(13), rdata);
    image.put32(image.directoryEntry(13) + 4, 0x40);
    expectRefused(image, "has delay-load imports");
}

TEST_F(ImageRefusalTest, AWritableExecutableSection) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    ImageBytes image = changedCopy();
    const SectionInfo text = image.section(".text");
    image.put32(text.headerOffset + 36, text.characteristics | 0x80000000);
    expectRefused(image, "section .text is both writable and executable");
}

TEST_F(ImageRefusalTest, ImportsTheStandInDoesNotProvide) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::string name("KeSetEvent\0", 11);
    const auto at = original.find(".idata", std::vector<std::uint8_t>(name.begin(), name.end()));
    ASSERT_TRUE(at);
    ImageBytes image = changedCopy();
    image.put(*at, {'K', 'e', 'F', 'o', 'o', 'B', 'a', 'r', 0, 0});
    expectRefused(image, "imports ntoskrnl.exe!KeFooBar, which the stand-in does not provide");

    image = changedCopy();
    image.put(*at, {'K', 'e', '\n', 'e', 't'});
    expectRefused(image, "holds a byte that is not printable ASCII");

    const std::string module("USBD.SYS\0", 9);
    const auto moduleAt =
        original.find(".idata", std::vector<std::uint8_t>(module.begin(), module.end()));
    ASSERT_TRUE(moduleAt);
    image = changedCopy();
    image.put(*moduleAt + 3, {'X'});
    expectRefused(image,
                  "imports USBX.SYS!USBD_CreateConfigurationRequestEx, which the "
                  "stand-in does not provide");
}

TEST_F(ImageRefusalTest, ModuleNamesCompareWithoutCase) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::string module("USBD.SYS\0", 9);
    const auto at =
        original.find(".idata", std::vector<std::uint8_t>(module.begin(), module.end()));
    ASSERT_TRUE(at);
    ImageBytes image = changedCopy();
    image.put(*at, {'u', 's', 'b', 'd', '.', 's', 'y', 's'});
    auto loaded = KernelImage::load(copies.write(image));
    const auto& imports = loaded->boundImports();
    EXPECT_NE(
        std::find(imports.begin(), imports.end(), "usbd.sys!USBD_CreateConfigurationRequestEx"),
        imports.end());
}

TEST_F(ImageRefusalTest, ImportsByOrdinal) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    ImageBytes image = changedCopy();
    image.put64(firstLookupEntry(), (1ULL << 63) | 5);
    expectRefused(image, "imports ordinal 5 of ks.sys; the stand-in binds imports by name only");
}

TEST_F(ImageRefusalTest, RelocationsOfTheWrongTypeOrSize) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::size_t block = original.fileOffset(original.u32(original.directoryEntry(5)));
    for (std::uint32_t size : {0U, 6U, 7U, 0x10000U}) {
        ImageBytes image = changedCopy();
        image.put32(block + 4, size);
        std::ostringstream expected;
        expected << "has a relocation block of 0x" << std::hex << size << " bytes";
        expectRefused(image, expected.str());
    }
    ImageBytes image = changedCopy();
    image.put16(block + 8, static_cast<std::uint16_t>(0x3000 | (image.u16(block + 8) & 0xFFF)));
    expectRefused(image, "has a relocation of type 3");

    image = changedCopy();
    image.put32(block, 0x7FFFF000);
    expectRefused(image, "a relocation target lies outside the image");

    image = changedCopy();
    image.put32(image.directoryEntry(5), 0);
    image.put32(image.directoryEntry(5) + 4, 0);
    expectRefused(image, "has no base relocations");
}

TEST_F(ImageRefusalTest, SectionsOutsideTheFileOrTheImage) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const SectionInfo text = original.section(".text");
    ImageBytes image = changedCopy();
    image.put32(text.headerOffset + 20, static_cast<std::uint32_t>(image.bytes().size() + 0x200));
    expectRefused(image, "section .text's data lies outside the file");

    image = changedCopy();
    image.put32(text.headerOffset + 16, 0x7FFFFE00);
    image.put32(text.headerOffset + 8, 0x7FFFFE00);
    expectRefused(image, "section .text extends past SizeOfImage");

    image = changedCopy();
    image.put32(image.optionalHeader() + 56, 0x2000);
    expectRefused(image, "extends past SizeOfImage");

    image = changedCopy();
    image.put32(text.headerOffset + 12, text.virtualAddress + 0x10);
    expectRefused(image, "section .text is not page-aligned");

    image = changedCopy();
    image.put32(original.section(".data").headerOffset + 12, text.virtualAddress);
    expectRefused(image, "section .data overlaps the headers or the section before it");

    image = changedCopy();
    image.bytes().resize(text.headerOffset + 20);
    expectRefused(image, "the section table lies outside the file");

    image = changedCopy();
    image.put32(0x3C, static_cast<std::uint32_t>(image.bytes().size() - 2));
    expectRefused(image, "the PE signature lies outside the file", true);

    image = changedCopy();
    image.put32(image.optionalHeader() + 32, 0x200);
    expectRefused(image, "has section alignment 0x200, not a multiple of the page size");

    image = changedCopy();
    image.put32(image.optionalHeader() + 16, original.section(".rdata").virtualAddress);
    expectRefused(image, "outside its code");
}

TEST_F(ImageRefusalTest, AWrongChecksum) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    ImageBytes image = changedCopy();
    image.put(0x50, {0x55});  // in the DOS stub
    expectRefused(image, "has image checksum", true);
}

// Cut anywhere, the file is refused: by the structure checks (also when
// the checksum is made to match the shorter file), or by the checksum.
TEST_F(ImageRefusalTest, TruncatedFiles) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::size_t size = original.bytes().size();
    const std::vector<SectionInfo> sections = original.sections();
    const SectionInfo& last = sections.back();
    const std::size_t symbols = original.u32(original.fileHeader() + 8);
    const std::size_t strings =
        symbols + 18 * std::size_t{original.u32(original.fileHeader() + 12)};
    const std::vector<std::size_t> cuts = {
        0,
        1,
        2,
        0x3C,
        0x40,
        original.peHeader() + 2,
        original.fileHeader() + 10,
        original.optionalHeader() + 60,
        original.optionalHeader() + 120,
        original.optionalHeader() + 239,
        sections.front().headerOffset + 20,
        last.headerOffset + 39,
        sections.front().rawOffset,
        sections.front().rawOffset + 0x100,
        last.rawOffset + last.rawSize - 1,
        last.rawOffset + last.rawSize,
        symbols + 9,
        (symbols + strings) / 2,
        strings + 2,
        strings + 4 + 8,
        size - 1,
    };
    for (std::size_t cut : cuts) {
        ASSERT_LT(cut, size);
        std::vector<std::uint8_t> bytes(
            original.bytes().begin(), original.bytes().begin() + static_cast<std::ptrdiff_t>(cut));
        SCOPED_TRACE("cut at " + std::to_string(cut));
        EXPECT_NE(refusal(copies.write(ImageBytes(bytes), true)), "loaded");
        if (cut >= original.checkSumField() + 4) {
            EXPECT_NE(refusal(copies.write(ImageBytes(bytes))), "loaded");
        }
    }
}

TEST_F(ImageRefusalTest, PrivilegedInstructionsAndTheProcessorRegion) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    expectRefused(withEntryInstruction({0x44, 0x0f, 0x22, 0xc0}),
                  "executes mov to CR8 at DriverEntry, a privileged instruction a Linux process "
                  "cannot execute");
    expectRefused(withEntryInstruction({0x0f, 0x20, 0xd8}), "executes mov from CR3 at DriverEntry");
    expectRefused(withEntryInstruction({0xfa}), "executes cli at DriverEntry");
    expectRefused(withEntryInstruction({0xec}), "executes in at DriverEntry");
    expectRefused(withEntryInstruction({0x0f, 0x30}), "executes wrmsr at DriverEntry");
    expectRefused(withEntryInstruction({0x0f, 0x01, 0xf8}), "executes swapgs at DriverEntry");
    expectRefused(withEntryInstruction({0xcd, 0x29}), "executes int 0x29 at DriverEntry");
    expectRefused(withEntryInstruction({0x0f, 0x05}), "executes syscall at DriverEntry");
    expectRefused(withEntryInstruction({0x65, 0x48, 0x8b, 0x01}),
                  "reads the processor control region (gs:) at DriverEntry");
    expectRefused(withEntryInstruction({0x0f, 0x0f, 0xc0}),
                  "cannot decode the instruction at DriverEntry (0f 0f c0");
    EXPECT_EQ(refusal(copies.write(withEntryInstruction({0x0f, 0x01, 0xd0}))), "loaded")
        << "xgetbv is not privileged";
}

TEST_F(ImageRefusalTest, KernelAddressesOtherThanTheSharedPage) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::vector<std::uint8_t> load = {0x48, 0xa1, 0x08, 0x00, 0x00,
                                            0x00, 0x80, 0xf7, 0xff, 0xff};
    const auto at = original.find(".text", load);
    ASSERT_TRUE(at) << "the image reads the interrupt time through a moffs64 load";
    ImageBytes image = changedCopy();
    image.put64(*at + 2, 0xFFFFF78000001000ULL);
    expectRefused(image, "accesses kernel address 0xfffff78000001000 at CaptureWorker::");

    image = changedCopy();
    image.put64(*at + 2, 0xFFFF800000000000ULL);
    expectRefused(image, ", which only exists in the Windows kernel");

    // A 64-bit immediate is a constant, not an access: only shared-page
    // values are rewritten, others are left alone.
    const std::vector<std::uint8_t> immediate = {0x48, 0xb8, 0x08, 0x00, 0x00,
                                                 0x00, 0x80, 0xf7, 0xff, 0xff};
    const auto constant = original.find(".text", immediate);
    ASSERT_TRUE(constant);
    image = changedCopy();
    image.put64(*constant + 2, 0xFFFF800000000010ULL);
    EXPECT_EQ(refusal(copies.write(image)), "loaded");
}

// Damage anywhere in what the loader parses (headers, import and
// relocation tables, exception directory, symbol table), with the checksum
// made to match: each copy loads or is refused with one line, never a crash
// or a read outside the file (the sanitizer builds check that too).
TEST_F(ImageRefusalTest, RandomDamageIsRefusedOrHarmless) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    std::vector<std::pair<std::size_t, std::size_t>> regions = {{0, 0x400}};
    for (const char* name : {".idata", ".reloc", ".pdata"}) {
        const SectionInfo section = original.section(name);
        regions.emplace_back(section.rawOffset, section.rawSize);
    }
    const std::size_t symbols = original.u32(original.fileHeader() + 8);
    regions.emplace_back(symbols, original.bytes().size() - symbols);
    std::mt19937 random(20261211);
    std::size_t refused = 0;
    for (int round = 0; round < 300; ++round) {
        ImageBytes image = changedCopy();
        const auto& [start, length] = regions[random() % regions.size()];
        for (unsigned flips = 1 + random() % 4; flips > 0; --flips) {
            image.bytes()[start + random() % length] ^=
                static_cast<std::uint8_t>(1 + random() % 255);
        }
        refused += refusal(copies.write(image)) != "loaded" ? 1 : 0;
    }
    EXPECT_GT(refused, 0U);
}

// Refused loads after the image was mapped (a bad relocation, a privileged
// instruction) release the mapping and the shared page.
TEST_F(ImageRefusalTest, RefusedLoadsLeaveNothingMapped) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    ImageBytes relocation = changedCopy();
    const std::size_t block = relocation.fileOffset(relocation.u32(relocation.directoryEntry(5)));
    relocation.put16(block + 8, 0x3000);
    EXPECT_NE(refusal(copies.write(relocation)), "loaded");
    EXPECT_NE(refusal(copies.write(withEntryInstruction({0xf4}))), "loaded");
    EXPECT_EQ(host::image::liveImageMappings(), 0U);
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        EXPECT_EQ(line.find("kuser_shared_data"), std::string::npos) << line;
    }
}

}  // namespace
