// What stops "the machine" inside the image is reported by image function:
// a bug check the image raises, a platform rule it breaks, a fault in its
// code. Faults elsewhere still reach the handler that was there before.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>

#include <cstring>

#include <image/instruction_decoder.h>
#include <image/kernel_image.h>

#include "image_file.h"
#include "support/ledger_test.h"

namespace {

using host::image::KernelImage;

using ImageProcedure = void(__attribute__((ms_abi)) *)();
using ImageEntry = NTSTATUS(__attribute__((ms_abi)) *)(void*, void*);
using AllocZeroedTagged = PVOID(__attribute__((ms_abi)) *)(SIZE_T, POOL_TYPE, ULONG);

class ImageFaultDeathTest : public LedgerTest {
  protected:
    template <typename Function>
    static Function function(const KernelImage& image, std::string_view name) {
        const void* address = image.findFunction(name);
        EXPECT_NE(address, nullptr) << name;
        return reinterpret_cast<Function>(const_cast<void*>(address));
    }

    // A copy whose DriverEntry starts with `code` (nops up to the length of
    // the instruction it replaces).
    std::filesystem::path entryStartingWith(const std::vector<std::uint8_t>& code) {
        ImageBytes image = ImageBytes::readKernelImage();
        const std::size_t at = image.fileOffset(image.entryPoint());
        const auto first =
            host::image::decodeInstruction(std::as_bytes(std::span(image.bytes()).subspan(at, 15)));
        std::vector<std::uint8_t> padded = code;
        padded.resize(first ? std::max<std::size_t>(first->length, code.size()) : code.size(),
                      0x90);
        image.put(at, padded);
        return copies.write(image);
    }

    static NTSTATUS callEntry(const KernelImage& image, std::uintptr_t firstArgument) {
        auto entry = reinterpret_cast<ImageEntry>(image.entryPoint());
        return entry(reinterpret_cast<void*>(firstArgument), nullptr);
    }

    ImageCopies copies;
};

TEST_F(ImageFaultDeathTest, BugChecksNameTheImageFunctionThatRaisedThem) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    auto image = KernelImage::load(*kernelImagePath());
    EXPECT_DEATH(function<ImageProcedure>(*image, "__stack_chk_fail")(),
                 "bug check 0x000000F7 \\(0x0, 0x[0-9a-f]+, 0x[0-9a-f]+, 0x0\\) raised by "
                 "bayercam.sys!__stack_chk_fail\\+0x[0-9a-f]+\n");
    EXPECT_DEATH(function<ImageProcedure>(*image, "__cxa_pure_virtual")(),
                 "bug check 0xCA3E0001 \\(0x1, 0x[0-9a-f]+, 0x0, 0x0\\) raised by "
                 "bayercam.sys!__cxa_pure_virtual\\+0x");
}

TEST_F(ImageFaultDeathTest, ARuleBrokenInsideTheImageNamesTheImageFunction) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    auto image = KernelImage::load(*kernelImagePath());
    auto allocate = function<AllocZeroedTagged>(*image, "AllocZeroedTagged");
    EXPECT_DEATH(allocate(0, NonPagedPoolNx, 0x74736554),
                 "platform rule broken: ExAllocatePoolWithTag: zero-byte allocation\n"
                 "  in image code: bayercam.sys!AllocZeroedTagged\\+0x[0-9a-f]+\n");
}

TEST_F(ImageFaultDeathTest, FaultsInsideTheImageNameTheFunctionAndTheCause) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    auto reads = KernelImage::load(entryStartingWith({0x48, 0x8b, 0x01}));  // mov (%rcx),%rax
    EXPECT_DEATH(callEntry(*reads, 0xFFFF800000001000ULL),
                 "bayercam.sys: access to kernel address 0xffff800000001000 at DriverEntry "
                 "\\(0x[0-9a-f]+\\)");
    EXPECT_DEATH(callEntry(*reads, 0x10),
                 "bayercam.sys: access to unmapped memory at 0x10 at DriverEntry");
    auto traps = KernelImage::load(entryStartingWith({0x0f, 0x0b}));  // ud2
    EXPECT_DEATH(callEntry(*traps, 0), "bayercam.sys: illegal instruction at DriverEntry");
    auto divides = KernelImage::load(entryStartingWith({0x31, 0xc9, 0xf7, 0xf1}));  // div %ecx, 0
    EXPECT_DEATH(callEntry(*divides, 0), "bayercam.sys: arithmetic fault .* at DriverEntry\\+0x2");
}

// An instruction the load-time check would have refused, written into the
// code afterwards: the fault handler still names it.
TEST_F(ImageFaultDeathTest, APrivilegedInstructionAtRunTimeIsNamed) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    auto image = KernelImage::load(*kernelImagePath());
    auto* entry = reinterpret_cast<std::uint8_t*>(image->entryPoint());
    auto* page =
        reinterpret_cast<std::uint8_t*>(reinterpret_cast<std::uintptr_t>(entry) & ~0xFFFULL);
    ASSERT_EQ(mprotect(page, 0x2000, PROT_READ | PROT_WRITE), 0);
    const std::uint8_t movFromCr0[] = {0x0f, 0x20, 0xc0};
    std::memcpy(entry, movFromCr0, sizeof movFromCr0);
    ASSERT_EQ(mprotect(page, 0x2000, PROT_READ | PROT_EXEC), 0);
    EXPECT_DEATH(callEntry(*image, 0),
                 "bayercam.sys: privileged instruction mov from CR0 at DriverEntry \\(0x");
}

TEST_F(ImageFaultDeathTest, FaultsOutsideTheImageGoToThePreviousHandler) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    auto image = KernelImage::load(*kernelImagePath());
    // Plain: killed by SIGSEGV; under AddressSanitizer: its report, exit 1.
    // Never the image handler's abort.
    EXPECT_EXIT(
        raise(SIGSEGV),
        [](int status) { return !(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT); }, "");
}

}  // namespace
