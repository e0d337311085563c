// x86-64 instruction lengths, from the opcode maps of the Intel SDM vol. 2
// (appendix A): which opcodes take a ModRM byte and how large their
// immediate is. Opcodes that do not exist in 64-bit mode are rejected, so a
// walk that lost the instruction boundaries tends to stop soon.
#include "instruction_decoder.h"

#include <initializer_list>

namespace host::image {
namespace {

constexpr std::size_t kMaximumLength = 15;

class Cursor {
  public:
    explicit Cursor(std::span<const std::byte> code) : code_(code) {}
    bool available(std::size_t count) const {
        return position_ + count <= code_.size() && position_ + count <= kMaximumLength;
    }
    std::uint8_t peek() const { return std::to_integer<std::uint8_t>(code_[position_]); }
    std::uint8_t take() { return std::to_integer<std::uint8_t>(code_[position_++]); }
    bool skip(std::size_t count) {
        if (!available(count)) {
            return false;
        }
        position_ += count;
        return true;
    }
    std::size_t position() const { return position_; }

  private:
    std::span<const std::byte> code_;
    std::size_t position_ = 0;
};

bool isAnyOf(std::uint8_t value, std::initializer_list<std::uint8_t> set) {
    for (std::uint8_t member : set) {
        if (member == value) {
            return true;
        }
    }
    return false;
}

bool isBetween(std::uint8_t value, std::uint8_t first, std::uint8_t last) {
    return value >= first && value <= last;
}

bool isInvalidIn64BitMode(std::uint8_t opcode) {
    return isAnyOf(opcode, {0x06, 0x07, 0x0E, 0x16, 0x17, 0x1E, 0x1F, 0x27, 0x2F, 0x37,
                            0x3F, 0x60, 0x61, 0x82, 0x9A, 0xCE, 0xD4, 0xD5, 0xD6, 0xEA});
}

bool oneByteHasModRm(std::uint8_t opcode) {
    if (opcode < 0x40) {
        return (opcode & 7) < 4;  // the ALU rows: r/m,reg and reg,r/m forms
    }
    return isBetween(opcode, 0x80, 0x8F) || isBetween(opcode, 0xD8, 0xDF) ||
           isAnyOf(opcode, {0x63, 0x69, 0x6B, 0xC0, 0xC1, 0xC6, 0xC7, 0xD0, 0xD1, 0xD2, 0xD3, 0xF6,
                            0xF7, 0xFE, 0xFF});
}

// The immediate of a one-byte opcode; F6/F7 depend on ModRM and are
// handled by the caller.
std::uint8_t oneByteImmediateSize(std::uint8_t opcode, const Instruction& in) {
    const std::uint8_t wordOrDword = in.operandSize16 ? 2 : 4;
    if (opcode < 0x40 && (opcode & 7) >= 4 && (opcode & 7) <= 5) {  // ALU al/eax, imm
        return (opcode & 7) == 4 ? 1 : wordOrDword;
    }
    if (isBetween(opcode, 0xB8, 0xBF)) {  // mov r, imm (imm64 with REX.W)
        return in.rexW() ? 8 : wordOrDword;
    }
    if (isBetween(opcode, 0xA0, 0xA3)) {  // mov to/from moffs
        return in.addressSize32 ? 4 : 8;
    }
    if (isBetween(opcode, 0x70, 0x7F) || isBetween(opcode, 0xB0, 0xB7) ||
        isBetween(opcode, 0xE0, 0xE7) ||
        isAnyOf(opcode, {0x6A, 0x6B, 0x80, 0x83, 0xA8, 0xC0, 0xC1, 0xC6, 0xCD, 0xEB})) {
        return 1;
    }
    if (isAnyOf(opcode, {0x68, 0x69, 0x81, 0xA9, 0xC7})) {
        return wordOrDword;
    }
    if (isAnyOf(opcode, {0xE8, 0xE9})) {
        return 4;  // the operand size of near branches is 64 bits in long mode
    }
    if (isAnyOf(opcode, {0xC2, 0xCA})) {
        return 2;
    }
    return opcode == 0xC8 ? 3 : 0;  // enter imm16, imm8
}

bool twoByteHasModRm(std::uint8_t opcode) {
    return !isBetween(opcode, 0x80, 0x8F) && !isBetween(opcode, 0xC8, 0xCF) &&
           !isAnyOf(opcode, {0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0x0E, 0x30, 0x31, 0x32, 0x33,
                             0x34, 0x35, 0x37, 0x77, 0xA0, 0xA1, 0xA2, 0xA8, 0xA9, 0xAA});
}

// Immediates of the 0F map, which VEX and EVEX map 1 share.
std::uint8_t twoByteImmediateSize(std::uint8_t opcode) {
    if (isBetween(opcode, 0x80, 0x8F)) {
        return 4;  // jcc rel32
    }
    return isAnyOf(opcode, {0x70, 0x71, 0x72, 0x73, 0xA4, 0xAC, 0xBA, 0xC2, 0xC4, 0xC5, 0xC6}) ? 1
                                                                                               : 0;
}

bool readModRm(Cursor& cursor, Instruction& in) {
    if (!cursor.available(1)) {
        return false;
    }
    in.hasModRm = true;
    in.modRm = cursor.take();
    const std::uint8_t mod = in.mod();
    const std::uint8_t rm = in.rm();
    std::uint8_t sibBase = 0;
    if (mod != 3 && rm == 4) {
        if (!cursor.available(1)) {
            return false;
        }
        sibBase = cursor.take() & 7;
    }
    if (mod == 1) {
        in.displacementSize = 1;
    } else if (mod == 2 || (mod == 0 && (rm == 5 || (rm == 4 && sibBase == 5)))) {
        in.displacementSize = 4;
    }
    return cursor.skip(in.displacementSize);
}

bool readImmediate(Cursor& cursor, Instruction& in, std::uint8_t size) {
    in.immediateOffset = static_cast<std::uint8_t>(cursor.position());
    in.immediateSize = size;
    return cursor.skip(size);
}

// Legacy prefixes and REX. A REX byte counts only right before the opcode.
bool readPrefixes(Cursor& cursor, Instruction& in) {
    for (;;) {
        if (!cursor.available(1)) {
            return false;
        }
        const std::uint8_t byte = cursor.peek();
        if (byte >= 0x40 && byte <= 0x4F) {
            in.rex = cursor.take();
            continue;
        }
        switch (byte) {
            case 0x66:
                in.operandSize16 = true;
                break;
            case 0x67:
                in.addressSize32 = true;
                break;
            case 0xF3:
                in.repPrefix = true;
                break;
            case 0xF2:
                in.repnePrefix = true;
                break;
            case 0x64:
            case 0x65:
                in.segment = byte;
                break;
            case 0xF0:
            case 0x2E:
            case 0x36:
            case 0x3E:
            case 0x26:
                break;
            default:
                return true;
        }
        in.rex = 0;
        cursor.take();
    }
}

// After a VEX (C4/C5) or EVEX (62) prefix: the opcode of `map`, ModRM and
// the immediate.
bool readVectorBody(Cursor& cursor, Instruction& in, std::uint8_t map, bool evex) {
    if (!cursor.available(1)) {
        return false;
    }
    in.vex = true;
    in.opcode = cursor.take();
    std::uint8_t immediate = 0;
    switch (map) {
        case 1:
            in.map = OpcodeMap::k0F;
            if (in.opcode == 0x77 && !evex) {  // vzeroupper, vzeroall
                in.length = static_cast<std::uint8_t>(cursor.position());
                return true;
            }
            immediate =
                (in.opcode >= 0x80 && in.opcode <= 0x8F) ? 0 : twoByteImmediateSize(in.opcode);
            break;
        case 2:
            in.map = OpcodeMap::k0F38;
            break;
        case 3:
            in.map = OpcodeMap::k0F3A;
            immediate = 1;
            break;
        case 5:
        case 6:  // AVX512-FP16 maps
            if (!evex) {
                return false;
            }
            in.map = OpcodeMap::k0F38;
            break;
        default:
            return false;
    }
    return readModRm(cursor, in) && readImmediate(cursor, in, immediate);
}

bool readVex(Cursor& cursor, Instruction& in, std::uint8_t prefix) {
    if (in.rex != 0 || in.operandSize16 || in.repPrefix || in.repnePrefix) {
        return false;
    }
    if (prefix == 0xC5) {
        return cursor.skip(1) && readVectorBody(cursor, in, 1, false);
    }
    if (!cursor.available(2)) {
        return false;
    }
    const std::uint8_t map = cursor.take() & 0x1F;
    in.rex = static_cast<std::uint8_t>(0x40 | ((cursor.take() & 0x80) != 0 ? 0x08 : 0));
    return readVectorBody(cursor, in, map, false);
}

bool readEvex(Cursor& cursor, Instruction& in) {
    if (in.rex != 0 || in.operandSize16 || in.repPrefix || in.repnePrefix || !cursor.available(3)) {
        return false;
    }
    const std::uint8_t p0 = cursor.take();
    const std::uint8_t p1 = cursor.take();
    cursor.take();
    if ((p1 & 0x04) == 0) {
        return false;
    }
    in.rex = static_cast<std::uint8_t>(0x40 | ((p1 & 0x80) != 0 ? 0x08 : 0));
    return readVectorBody(cursor, in, p0 & 0x07, true);
}

bool readTwoByte(Cursor& cursor, Instruction& in) {
    if (!cursor.available(1)) {
        return false;
    }
    const std::uint8_t opcode = cursor.take();
    if (opcode == 0x38 || opcode == 0x3A) {
        if (!cursor.available(1)) {
            return false;
        }
        in.map = opcode == 0x38 ? OpcodeMap::k0F38 : OpcodeMap::k0F3A;
        in.opcode = cursor.take();
        return readModRm(cursor, in) && readImmediate(cursor, in, opcode == 0x3A ? 1 : 0);
    }
    if (opcode == 0x0F) {  // 3DNow!
        return false;
    }
    in.map = OpcodeMap::k0F;
    in.opcode = opcode;
    if (twoByteHasModRm(opcode) && !readModRm(cursor, in)) {
        return false;
    }
    return readImmediate(cursor, in, twoByteImmediateSize(opcode));
}

bool readOneByte(Cursor& cursor, Instruction& in, std::uint8_t opcode) {
    if (isInvalidIn64BitMode(opcode)) {
        return false;
    }
    in.map = OpcodeMap::kOneByte;
    in.opcode = opcode;
    if (opcode == 0x8F && cursor.available(1) && (cursor.peek() & 0x38) != 0) {
        return false;  // XOP
    }
    std::uint8_t immediate = oneByteImmediateSize(opcode, in);
    if (oneByteHasModRm(opcode)) {
        if (!readModRm(cursor, in)) {
            return false;
        }
        if ((opcode == 0xF6 || opcode == 0xF7) && in.reg() <= 1) {  // test r/m, imm
            immediate = opcode == 0xF6 ? 1 : (in.operandSize16 ? 2 : 4);
        }
    }
    return readImmediate(cursor, in, immediate);
}

}  // namespace

std::optional<Instruction> decodeInstruction(std::span<const std::byte> code) {
    Cursor cursor(code);
    Instruction in;
    if (!readPrefixes(cursor, in)) {
        return std::nullopt;
    }
    const std::uint8_t opcode = cursor.take();
    bool ok = false;
    if (opcode == 0x0F) {
        ok = readTwoByte(cursor, in);
    } else if (opcode == 0xC4 || opcode == 0xC5) {
        ok = readVex(cursor, in, opcode);
    } else if (opcode == 0x62) {
        ok = readEvex(cursor, in);
    } else {
        ok = readOneByte(cursor, in, opcode);
    }
    if (!ok) {
        return std::nullopt;
    }
    in.length = static_cast<std::uint8_t>(cursor.position());
    return in;
}

bool isCall(const Instruction& instruction) {
    if (instruction.map != OpcodeMap::kOneByte || instruction.vex) {
        return false;
    }
    return instruction.opcode == 0xE8 ||
           (instruction.opcode == 0xFF && instruction.hasModRm && instruction.reg() == 2);
}

}  // namespace host::image
