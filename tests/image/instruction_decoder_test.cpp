// The instruction-length decoder: its boundaries agree with objdump's
// disassembly of every function of the real image, and the encodings the
// loader acts on (privileged instructions, absolute loads, calls) decode
// with the right shape.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include <image/image_frames.h>
#include <image/instruction_decoder.h>
#include <image/privileged_instruction.h>

#include "image_file.h"

namespace {

using host::image::decodeInstruction;
using host::image::Instruction;

std::vector<std::byte> bytesOf(std::initializer_list<unsigned> values) {
    std::vector<std::byte> bytes;
    for (unsigned value : values) {
        bytes.push_back(static_cast<std::byte>(value));
    }
    return bytes;
}

std::optional<Instruction> decode(std::initializer_list<unsigned> values) {
    const std::vector<std::byte> bytes = bytesOf(values);
    return decodeInstruction(bytes);
}

std::string privilegedName(std::initializer_list<unsigned> values) {
    const std::vector<std::byte> bytes = bytesOf(values);
    const auto instruction = decodeInstruction(bytes);
    return instruction ? host::image::privilegedInstructionName(*instruction, bytes)
                       : "undecodable";
}

// Instruction start addresses of .text as objdump disassembles it.
std::set<std::uint64_t> objdumpInstructionStarts(const std::filesystem::path& image) {
    std::set<std::uint64_t> starts;
    const std::string command = "x86_64-w64-mingw32-objdump -d --no-show-raw-insn -j .text '" +
                                image.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return starts;
    }
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::uint64_t address = 0;
        char colon = 0;
        char tab = 0;
        if (std::sscanf(line, " %lx%c%c", &address, &colon, &tab) == 3 && colon == ':' &&
            tab == '\t' && line[0] == ' ') {
            starts.insert(address);
        }
    }
    pclose(pipe);
    return starts;
}

TEST(InstructionDecoder, AgreesWithObjdumpOnEveryFunctionOfTheImage) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    const std::set<std::uint64_t> expected = objdumpInstructionStarts(*kernelImagePath());
    if (expected.empty()) {
        GTEST_SKIP() << "x86_64-w64-mingw32-objdump is not available";
    }
    const ImageBytes image = ImageBytes::readKernelImage();
    const SectionInfo text = image.section(".text");
    const std::size_t table = image.fileOffset(image.u32(image.directoryEntry(3)));
    const std::size_t functions = image.u32(image.directoryEntry(3) + 4) / 12;
    std::size_t compared = 0;
    for (std::size_t index = 0; index < functions; ++index) {
        const std::uint32_t begin = image.u32(table + index * 12);
        const std::uint32_t end = image.u32(table + index * 12 + 4);
        std::uint32_t rva = begin;
        while (rva < end) {
            const std::uint64_t address = image.imageBase() + rva;
            ASSERT_TRUE(expected.count(address))
                << std::hex << "0x" << address << " is not an instruction start for objdump";
            const std::size_t at = text.rawOffset + (rva - text.virtualAddress);
            const auto instruction =
                decodeInstruction(std::as_bytes(std::span(image.bytes()))
                                      .subspan(at, std::min<std::size_t>(15, end - rva)));
            ASSERT_TRUE(instruction) << std::hex << "undecodable at 0x" << address;
            rva += instruction->length;
            ++compared;
        }
        EXPECT_EQ(rva, end) << "the last instruction runs past the function";
    }
    EXPECT_GT(compared, 10000U);
}

TEST(InstructionDecoder, AbsoluteLoadsCarryTheirAddressAsAnEightByteOperand) {
    const auto immediate = decode({0x49, 0xbb, 8, 0, 0, 0, 0x80, 0xf7, 0xff, 0xff});
    ASSERT_TRUE(immediate);
    EXPECT_EQ(immediate->length, 10);
    EXPECT_EQ(immediate->opcode, 0xbb);
    EXPECT_EQ(immediate->immediateOffset, 2);
    EXPECT_EQ(immediate->immediateSize, 8);
    const auto moffs = decode({0x48, 0xa1, 8, 0, 0, 0, 0x80, 0xf7, 0xff, 0xff});
    ASSERT_TRUE(moffs);
    EXPECT_EQ(moffs->length, 10);
    EXPECT_EQ(moffs->immediateSize, 8);
    // Without REX.W the immediate is 4 bytes; moffs stays 8 unless 0x67.
    EXPECT_EQ(decode({0xb8, 1, 0, 0, 0})->length, 5);
    EXPECT_EQ(decode({0xa1, 8, 0, 0, 0, 0x80, 0xf7, 0xff, 0xff})->length, 9);
    EXPECT_EQ(decode({0x67, 0xa1, 8, 0, 0, 0})->length, 6);
    EXPECT_EQ(decode({0x66, 0xb8, 1, 0})->length, 4);
}

TEST(InstructionDecoder, LengthsOfModRmSibDisplacementAndVectorEncodings) {
    EXPECT_EQ(decode({0x8b, 0x04, 0x25, 0, 0, 0, 0})->length, 7);              // mov 0x0,%eax
    EXPECT_EQ(decode({0x8b, 0x05, 0, 0, 0, 0})->length, 6);                    // rip-relative
    EXPECT_EQ(decode({0x8b, 0x44, 0x24, 8})->length, 4);                       // disp8 with SIB
    EXPECT_EQ(decode({0xf7, 0xc1, 1, 0, 0, 0})->length, 6);                    // test imm32
    EXPECT_EQ(decode({0xf7, 0xd1})->length, 2);                                // not
    EXPECT_EQ(decode({0xf3, 0x0f, 0x1e, 0xfa})->length, 4);                    // endbr64
    EXPECT_EQ(decode({0x66, 0x0f, 0x3a, 0x0f, 0xc1, 8})->length, 6);           // palignr
    EXPECT_EQ(decode({0xc5, 0xf8, 0x77})->length, 3);                          // vzeroupper
    EXPECT_EQ(decode({0xc4, 0xe3, 0x7d, 0x18, 0xc1, 1})->length, 6);           // vinsertf128
    EXPECT_EQ(decode({0x62, 0xf1, 0x7c, 0x48, 0x10, 0x04, 0x24})->length, 7);  // vmovups zmm
    EXPECT_EQ(decode({0x0f, 0x84, 0, 0, 0, 0})->length, 6);                    // je rel32
    EXPECT_EQ(decode({0xc8, 0x10, 0, 1})->length, 4);                          // enter
}

TEST(InstructionDecoder, RefusesWhatIsNotAnInstruction) {
    EXPECT_FALSE(decode({}));
    EXPECT_FALSE(decode({0x48}));                    // a prefix alone
    EXPECT_FALSE(decode({0x48, 0xb8, 1, 2, 3}));     // immediate cut short
    EXPECT_FALSE(decode({0x06}));                    // push es: not in 64-bit mode
    EXPECT_FALSE(decode({0x0f, 0x0f, 0xc0, 0x9e}));  // 3DNow!
    EXPECT_FALSE(decode({0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
                         0x66, 0x66, 0x66, 0x90}));  // 15 bytes is the limit
    EXPECT_TRUE(decode({0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
                        0x66, 0x66, 0x90}));
}

TEST(InstructionDecoder, NamesPrivilegedInstructions) {
    EXPECT_EQ(privilegedName({0x44, 0x0f, 0x20, 0xc0}), "mov from CR8");
    EXPECT_EQ(privilegedName({0x0f, 0x22, 0xd8}), "mov to CR3");
    EXPECT_EQ(privilegedName({0x0f, 0x23, 0xf8}), "mov to DR7");
    EXPECT_EQ(privilegedName({0xf4}), "hlt");
    EXPECT_EQ(privilegedName({0xfb}), "sti");
    EXPECT_EQ(privilegedName({0xe6, 0x80}), "out");
    EXPECT_EQ(privilegedName({0x0f, 0x32}), "rdmsr");
    EXPECT_EQ(privilegedName({0x0f, 0x01, 0x10}), "lgdt");
    EXPECT_EQ(privilegedName({0x0f, 0x01, 0x38}), "invlpg");
    EXPECT_EQ(privilegedName({0x0f, 0x00, 0xd8}), "ltr");
    EXPECT_EQ(privilegedName({0x0f, 0x09}), "wbinvd");
    EXPECT_EQ(privilegedName({0x48, 0x0f, 0x07}), "sysret");
    EXPECT_EQ(privilegedName({0xcd, 0x2c}), "int 0x2c");
    EXPECT_EQ(privilegedName({0xcc}), "") << "int3 is a breakpoint, not privileged";
    EXPECT_EQ(privilegedName({0x0f, 0x01, 0xd0}), "") << "xgetbv";
    EXPECT_EQ(privilegedName({0x0f, 0x01, 0xf9}), "") << "rdtscp";
    EXPECT_EQ(privilegedName({0x0f, 0xa2}), "") << "cpuid";
    EXPECT_EQ(privilegedName({0x48, 0x8b, 0x01}), "");
}

TEST(InstructionDecoder, RecognisesTheCallBeforeAReturnAddress) {
    const std::vector<std::byte> code = bytesOf({
        0x90,                                // nop
        0xe8, 0x10, 0x00, 0x00, 0x00,        // call rel32
        0xff, 0x15, 0x10, 0x00, 0x00, 0x00,  // call *disp(%rip)
        0x41, 0xff, 0xd5,                    // call *%r13
        0xff, 0x25, 0x10, 0x00, 0x00, 0x00,  // jmp *disp(%rip)
        0x90,
    });
    using host::image::callLengthBefore;
    EXPECT_EQ(callLengthBefore(code.data(), code.data() + 6), 5U);
    EXPECT_EQ(callLengthBefore(code.data(), code.data() + 12), 6U);
    // call *%r13 ends with the bytes of call *%rbp; either names the call.
    EXPECT_NE(callLengthBefore(code.data(), code.data() + 15), 0U);
    EXPECT_EQ(callLengthBefore(code.data(), code.data() + 21), 0U) << "a jump is no call";
    EXPECT_EQ(callLengthBefore(code.data(), code.data() + 1), 0U);
    EXPECT_EQ(callLengthBefore(code.data() + 3, code.data() + 6), 0U)
        << "the call would start before the code";
}

}  // namespace
