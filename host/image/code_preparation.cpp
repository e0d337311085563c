#include "code_preparation.h"

#include <cstdio>
#include <cstring>

#include "code_walk.h"
#include "privileged_instruction.h"
#include "shared_user_data.h"

namespace host::image {
namespace {

constexpr std::uint64_t kKernelSpaceStart = 0xFFFF800000000000ULL;

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

class CodePreparation {
  public:
    CodePreparation(std::span<std::byte> image, const PeHeaders& headers,
                    const FunctionSymbols& symbols, std::string_view imageName,
                    const std::byte* sharedPage)
        : image_(image),
          window_(image, imageName, "image"),
          headers_(headers),
          symbols_(symbols),
          sharedPage_(sharedPage) {}

    std::size_t run() {
        walkInstructions(
            window_, headers_, symbols_,
            [this](std::uint32_t rva, const Instruction& instruction) { check(rva, instruction); });
        return rewritten_;
    }

  private:
    std::string location(std::uint32_t rva) const {
        const std::string function = symbols_.describe(rva, headers_);
        return function.empty() ? "RVA " + hex(rva) : function;
    }

    void check(std::uint32_t rva, const Instruction& instruction) {
        const std::string privileged =
            privilegedInstructionName(instruction, window_.bytes(rva, instruction.length, "code"));
        if (!privileged.empty()) {
            window_.refuse("executes " + privileged + " at " + location(rva) +
                           ", a privileged instruction a Linux process cannot execute");
        }
        const bool moffs = instruction.map == OpcodeMap::kOneByte && !instruction.vex &&
                           instruction.opcode >= 0xA0 && instruction.opcode <= 0xA3;
        if (instruction.segment != 0 && (instruction.hasMemoryOperand() || moffs)) {
            window_.refuse(std::string("reads the processor control region (") +
                           (instruction.segment == 0x65 ? "gs" : "fs") + ":) at " + location(rva) +
                           ", which only the Windows kernel has");
        }
        if (instruction.immediateSize == 8) {
            checkAbsoluteAddress(rva, instruction, moffs);
        }
    }

    void checkAbsoluteAddress(std::uint32_t rva, const Instruction& instruction, bool moffs) {
        const bool immediateLoad = instruction.map == OpcodeMap::kOneByte && !instruction.vex &&
                                   instruction.opcode >= 0xB8 && instruction.opcode <= 0xBF;
        if (!moffs && !immediateLoad) {
            return;
        }
        const std::uint64_t field = std::uint64_t{rva} + instruction.immediateOffset;
        const std::uint64_t address = window_.u64(field, "an address operand");
        if (address - kSharedUserDataAddress < kSharedUserDataSize) {
            const auto replacement =
                reinterpret_cast<std::uint64_t>(sharedPage_) + (address - kSharedUserDataAddress);
            std::memcpy(image_.data() + field, &replacement, 8);
            ++rewritten_;
        } else if (moffs && address >= kKernelSpaceStart) {
            window_.refuse("accesses kernel address " + hex(address) + " at " + location(rva) +
                           ", which only exists in the Windows kernel");
        }
    }

    std::span<std::byte> image_;
    ByteWindow window_;
    const PeHeaders& headers_;
    const FunctionSymbols& symbols_;
    const std::byte* sharedPage_;
    std::size_t rewritten_ = 0;
};

}  // namespace

std::size_t prepareCode(std::span<std::byte> image, const PeHeaders& headers,
                        const FunctionSymbols& symbols, std::string_view imageName,
                        const std::byte* sharedPage) {
    return CodePreparation(image, headers, symbols, imageName, sharedPage).run();
}

}  // namespace host::image
