// The length and shape of one x86-64 instruction (64-bit mode): prefixes,
// REX/VEX/EVEX, opcode map and opcode, ModRM, displacement and immediate.
// Not a disassembler: just enough to walk compiled code instruction by
// instruction and to recognise the few instructions the loader cares about
// (privileged ones, kernel-address loads, calls). Covers the general-purpose,
// x87, SSE and AVX/AVX-512 encodings a compiler emits; AMD's 3DNow! and XOP
// are not decoded.
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace host::image {

enum class OpcodeMap : std::uint8_t { kOneByte, k0F, k0F38, k0F3A };

struct Instruction {
    std::uint8_t length = 0;
    OpcodeMap map = OpcodeMap::kOneByte;
    std::uint8_t opcode = 0;
    std::uint8_t rex = 0;        // 0 when there is none
    bool vex = false;            // VEX or EVEX encoded
    bool operandSize16 = false;  // 0x66
    bool addressSize32 = false;  // 0x67
    bool repPrefix = false;      // 0xF3
    bool repnePrefix = false;    // 0xF2
    std::uint8_t segment = 0;    // 0x64 (fs) or 0x65 (gs) override, else 0
    bool hasModRm = false;
    std::uint8_t modRm = 0;
    std::uint8_t displacementSize = 0;
    std::uint8_t immediateOffset = 0;  // from the start of the instruction
    std::uint8_t immediateSize = 0;    // a moffs address counts as the immediate

    bool rexW() const { return (rex & 0x08) != 0; }
    bool rexR() const { return (rex & 0x04) != 0; }
    bool rexB() const { return (rex & 0x01) != 0; }
    std::uint8_t mod() const { return static_cast<std::uint8_t>(modRm >> 6); }
    std::uint8_t reg() const { return static_cast<std::uint8_t>((modRm >> 3) & 7); }
    std::uint8_t rm() const { return static_cast<std::uint8_t>(modRm & 7); }
    bool hasMemoryOperand() const { return hasModRm && mod() != 3; }
};

// The instruction at the start of `code`; nullopt if the bytes are not a
// valid instruction or it does not fit.
std::optional<Instruction> decodeInstruction(std::span<const std::byte> code);

// True for a near call: E8 rel32 or FF /2.
bool isCall(const Instruction& instruction);

}  // namespace host::image
