// Loading the real kernel image: where its sections land and with which
// protections, its relocations, its bound imports, its entry point and
// symbols, and its redirected shared-page reads.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <image/export_table.h>
#include <image/image_mapping.h>
#include <image/kernel_image.h>
#include <image/shared_user_data.h>

#include "image_file.h"
#include "support/ledger_test.h"

namespace {

using host::image::KernelImage;

constexpr std::uint32_t kWrite = 0x80000000;
constexpr std::uint32_t kExecute = 0x20000000;

// The permissions /proc/self/maps gives the page holding `address` ("r-xp").
std::string permissionsAt(const void* address) {
    std::ifstream maps("/proc/self/maps");
    const auto target = reinterpret_cast<std::uintptr_t>(address);
    for (std::string line; std::getline(maps, line);) {
        std::istringstream fields(line);
        std::uintptr_t start = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::string permissions;
        fields >> std::hex >> start >> dash >> end >> permissions;
        if (target >= start && target < end) {
            return permissions;
        }
    }
    return "unmapped";
}

std::size_t countMapsLines(std::string_view fragment) {
    std::ifstream maps("/proc/self/maps");
    std::size_t count = 0;
    for (std::string line; std::getline(maps, line);) {
        count += line.find(fragment) != std::string::npos ? 1 : 0;
    }
    return count;
}

std::uint64_t readU64(const std::byte* at) {
    std::uint64_t value;
    std::memcpy(&value, at, 8);
    return value;
}

class KernelImageTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        if (!kernelImagePath()) {
            return;
        }
        file = ImageBytes::readKernelImage();
        image = KernelImage::load(*kernelImagePath());
    }
    void TearDown() override {
        image.reset();
        LedgerTest::TearDown();
    }

    ImageBytes file{{}};
    std::unique_ptr<KernelImage> image;
};

TEST_F(KernelImageTest, SectionsAreMappedWithTheirProtections) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    EXPECT_EQ(permissionsAt(image->base()), "r--p") << "headers";
    for (const SectionInfo& section : file.sections()) {
        const std::string expected = (section.characteristics & kExecute) != 0 ? "r-xp"
                                     : (section.characteristics & kWrite) != 0 ? "rw-p"
                                                                               : "r--p";
        const std::byte* start = image->base() + section.virtualAddress;
        EXPECT_EQ(permissionsAt(start), expected) << section.name;
        EXPECT_EQ(permissionsAt(start + section.virtualSize - 1), expected) << section.name;
    }
    EXPECT_EQ(image->size() % 4096, 0U);
    EXPECT_GE(image->size(), file.u32(file.optionalHeader() + 56));
}

TEST_F(KernelImageTest, EveryAbsoluteAddressIsRelocated) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::uint64_t delta = reinterpret_cast<std::uintptr_t>(image->base()) - file.imageBase();
    ASSERT_NE(delta, 0U) << "loaded at its preferred base; relocation untested";
    const std::uint32_t directory = file.u32(file.directoryEntry(5));
    const std::uint32_t size = file.u32(file.directoryEntry(5) + 4);
    std::size_t relocated = 0;
    for (std::uint32_t block = directory; block < directory + size;) {
        const std::size_t at = file.fileOffset(block);
        const std::uint32_t page = file.u32(at);
        const std::uint32_t blockSize = file.u32(at + 4);
        for (std::uint32_t entry = 8; entry < blockSize; entry += 2) {
            const std::uint16_t value = file.u16(at + entry);
            if (value >> 12 == 10) {
                const std::uint32_t target = page + (value & 0xFFF);
                EXPECT_EQ(readU64(image->base() + target),
                          file.u64(file.fileOffset(target)) + delta)
                    << "RVA " << target;
                ++relocated;
            }
        }
        block += blockSize;
    }
    EXPECT_GT(relocated, 10U);
}

TEST_F(KernelImageTest, EveryImportIsBoundToTheStandInsExport) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::vector<std::string>& imports = image->boundImports();
    ASSERT_FALSE(imports.empty());
    EXPECT_EQ(imports.front(), "ks.sys!KsAcquireDevice");
    for (const char* expected : {"ntoskrnl.exe!KeBugCheckEx", "ntoskrnl.exe!memcpy",
                                 "ntoskrnl.exe!KeAcquireSpinLockRaiseToDpc", "ks.sys!_KsEdit",
                                 "USBD.SYS!USBD_ParseConfigurationDescriptorEx"}) {
        EXPECT_NE(std::find(imports.begin(), imports.end(), expected), imports.end()) << expected;
    }
    // The import address table: one non-null slot per bound import, each
    // the address of that import's export, in order, a null slot after each
    // module's.
    const std::uint32_t table = file.u32(file.directoryEntry(12));
    const std::uint32_t tableSize = file.u32(file.directoryEntry(12) + 4);
    std::size_t next = 0;
    for (std::uint32_t slot = table; slot < table + tableSize; slot += 8) {
        const std::uint64_t address = readU64(image->base() + slot);
        if (address == 0) {
            continue;
        }
        ASSERT_LT(next, imports.size());
        const std::string& import = imports[next++];
        const std::size_t bang = import.find('!');
        const host::image::Export* entry =
            host::image::findExport(import.substr(0, bang), import.substr(bang + 1));
        ASSERT_NE(entry, nullptr) << import;
        EXPECT_EQ(address, reinterpret_cast<std::uintptr_t>(entry->address)) << import;
    }
    EXPECT_EQ(next, imports.size());
}

// The driver kit makes saving the floating-point state a no-op on x64 (the
// kernel keeps the SSE state of every thread); the image follows it and
// imports neither routine.
TEST_F(KernelImageTest, FloatingPointStateIsNotSavedOnX64) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::vector<std::string>& imports = image->boundImports();
    for (const char* routine :
         {"ntoskrnl.exe!KeSaveFloatingPointState", "ntoskrnl.exe!KeRestoreFloatingPointState"}) {
        EXPECT_EQ(std::find(imports.begin(), imports.end(), routine), imports.end()) << routine;
    }
}

TEST_F(KernelImageTest, EntryPointIsDriverEntryInsideTheCode) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const SectionInfo text = file.section(".text");
    const auto* entry = reinterpret_cast<const std::byte*>(image->entryPoint());
    EXPECT_GE(entry, image->base() + text.virtualAddress);
    EXPECT_LT(entry, image->base() + text.virtualAddress + text.virtualSize);
    EXPECT_EQ(entry, image->base() + file.entryPoint());
    EXPECT_EQ(image->name(), "bayercam.sys");
    EXPECT_EQ(image->symbolize(entry), "bayercam.sys!DriverEntry");
    EXPECT_EQ(image->symbolize(entry + 7), "bayercam.sys!DriverEntry+0x7");
    EXPECT_EQ(host::image::symbolizeLoaded(entry), "bayercam.sys!DriverEntry");
    EXPECT_EQ(image->findFunction("DriverEntry"), entry);
}

TEST_F(KernelImageTest, SymbolsAreDemangledAndAddressesOutsideCodeHaveNoFunction) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const void* threadMain = image->findFunction("CaptureWorker::ThreadMain");
    ASSERT_NE(threadMain, nullptr);
    EXPECT_EQ(image->symbolize(static_cast<const std::byte*>(threadMain) + 0x1c),
              "bayercam.sys!CaptureWorker::ThreadMain+0x1c");
    EXPECT_EQ(image->symbolize(image->base()), "bayercam.sys+0x0");
    const std::uint32_t rdata = file.section(".rdata").virtualAddress;
    char expected[40];
    std::snprintf(expected, sizeof expected, "bayercam.sys+0x%x", rdata + 4);
    EXPECT_EQ(image->symbolize(image->base() + rdata + 4), expected);
    EXPECT_EQ(image->symbolize(image->base() + image->size()), "");
    EXPECT_EQ(image->symbolize(nullptr), "");
    int local = 0;
    EXPECT_EQ(host::image::symbolizeLoaded(&local), "");
}

TEST_F(KernelImageTest, SharedPageReadsAreRedirectedToACurrentHostPage) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::vector<std::uint8_t> interruptTime = {0x08, 0x00, 0x00, 0x00,
                                                     0x80, 0xf7, 0xff, 0xff};
    const SectionInfo text = file.section(".text");
    std::size_t sites = 0;
    for (std::size_t at = text.rawOffset; at + 8 <= text.rawOffset + text.virtualSize; ++at) {
        if (!std::equal(interruptTime.begin(), interruptTime.end(), file.bytes().begin() + at)) {
            continue;
        }
        ++sites;
        const std::byte* mapped = image->base() + text.virtualAddress + (at - text.rawOffset);
        const auto* field = reinterpret_cast<const std::uint64_t*>(readU64(mapped));
        const std::uint64_t seen = __atomic_load_n(field, __ATOMIC_ACQUIRE);
        const ULONGLONG now = KeQueryInterruptTime();
        // The updater runs every millisecond; allow for a busy machine.
        EXPECT_LE(seen, now);
        EXPECT_GT(seen + 100 * 10'000, now) << "the page is more than 100 ms behind";
        EXPECT_NE(image->symbolize(mapped).find("bayercam.sys!CaptureWorker::"), std::string::npos);
    }
    EXPECT_GE(sites, 2U) << "the image reads the interrupt time as immediate and as moffs";
}

TEST_F(KernelImageTest, LoadsAreIndependentAndUnloadingReleasesTheirMappings) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    auto second = KernelImage::load(*kernelImagePath());
    EXPECT_NE(second->base(), image->base());
    const auto* secondEntry = reinterpret_cast<const std::byte*>(second->entryPoint());
    EXPECT_EQ(image->symbolize(secondEntry), "");
    EXPECT_EQ(host::image::symbolizeLoaded(secondEntry), "bayercam.sys!DriverEntry");
    const std::byte* secondBase = second->base();
    second.reset();
    EXPECT_EQ(permissionsAt(secondBase), "unmapped");
    EXPECT_EQ(host::image::symbolizeLoaded(secondEntry), "");
    const std::byte* firstBase = image->base();
    image.reset();
    EXPECT_EQ(permissionsAt(firstBase), "unmapped");
    EXPECT_EQ(countMapsLines("kuser_shared_data"), 0U) << "the shared page outlived its images";
    EXPECT_EQ(host::image::liveImageMappings(), 0U);
}

// Every function the export table lists is declared with the Windows
// calling convention; one that is not would be refused when an image
// imports it.
TEST(ExportTable, EveryFunctionHasTheWindowsCallingConvention) {
    std::size_t functions = 0;
    for (const host::image::ExportModule& module : host::image::exportModules()) {
        for (const host::image::Export& entry : module.exports) {
            EXPECT_NE(entry.address, nullptr) << entry.name;
            if (!entry.data) {
                EXPECT_TRUE(entry.windowsConvention) << module.name << "!" << entry.name;
                ++functions;
            }
        }
    }
    EXPECT_GT(functions, 80U);
    EXPECT_NE(host::image::findExport("NTOSKRNL.EXE", "PsThreadType"), nullptr);
    EXPECT_TRUE(host::image::findExport("NTOSKRNL.EXE", "PsThreadType")->data);
    EXPECT_EQ(host::image::findExport("ntoskrnl.exe", "kesetevent"), nullptr)
        << "function names are case-sensitive";
    EXPECT_EQ(host::image::findExport("ntoskrnl.exe", "KfAcquireSpinLock"), nullptr)
        << "inline on x64: no x64 image imports it";
}

}  // namespace
