// Privileged x86-64 instructions by opcode (Intel SDM vol. 2 and vol. 3,
// "Privileged Instructions"; AMD APM vol. 3 for SVM).
#include "privileged_instruction.h"

#include <cstdio>

namespace host::image {
namespace {

struct NamedOpcode {
    std::uint8_t opcode;
    const char* name;
};

constexpr NamedOpcode kOneByte[] = {
    {0xF4, "hlt"}, {0xFA, "cli"}, {0xFB, "sti"}, {0xE4, "in"},   {0xE5, "in"},
    {0xEC, "in"},  {0xED, "in"},  {0xE6, "out"}, {0xE7, "out"},  {0xEE, "out"},
    {0xEF, "out"}, {0x6C, "ins"}, {0x6D, "ins"}, {0x6E, "outs"}, {0x6F, "outs"},
};

constexpr NamedOpcode kTwoByte[] = {
    {0x05, "syscall"}, {0x06, "clts"},  {0x07, "sysret"}, {0x08, "invd"},     {0x09, "wbinvd"},
    {0x30, "wrmsr"},   {0x32, "rdmsr"}, {0x33, "rdpmc"},  {0x34, "sysenter"}, {0x35, "sysexit"},
};

// 0F 01 with a register operand: the whole ModRM byte names the instruction.
constexpr NamedOpcode kGroup7RegisterForms[] = {
    {0xC1, "vmcall"}, {0xC2, "vmlaunch"}, {0xC3, "vmresume"}, {0xC4, "vmxoff"}, {0xC8, "monitor"},
    {0xC9, "mwait"},  {0xCA, "clac"},     {0xCB, "stac"},     {0xD1, "xsetbv"}, {0xF8, "swapgs"},
};

// 0F 01 and 0F 00 with a memory operand, by ModRM reg (UMIP makes the
// stores privileged too).
constexpr const char* kGroup7MemoryForms[8] = {"sgdt", "sidt",  "lgdt", "lidt",
                                               "smsw", nullptr, "lmsw", "invlpg"};
constexpr const char* kGroup6Forms[8] = {"sldt",  "str",   "lldt",  "ltr",
                                         nullptr, nullptr, nullptr, nullptr};

template <std::size_t N>
std::string lookUp(const NamedOpcode (&table)[N], std::uint8_t opcode) {
    for (const NamedOpcode& entry : table) {
        if (entry.opcode == opcode) {
            return entry.name;
        }
    }
    return {};
}

std::string orEmpty(const char* name) {
    return name != nullptr ? name : "";
}

std::string softwareInterruptName(const Instruction& in, std::span<const std::byte> bytes) {
    char name[16];
    std::snprintf(name, sizeof name, "int 0x%02x",
                  std::to_integer<unsigned>(bytes[in.immediateOffset]));
    return name;
}

std::string moveRegisterName(const Instruction& in) {
    const bool to = (in.opcode & 2) != 0;     // 0F 22/23 write, 0F 20/21 read
    const bool debug = (in.opcode & 1) != 0;  // 0F 21/23: debug registers
    const unsigned number = in.reg() + (in.rexR() ? 8U : 0U);
    return std::string(to ? "mov to " : "mov from ") + (debug ? "DR" : "CR") +
           std::to_string(number);
}

std::string group7Name(const Instruction& in) {
    if (in.mod() != 3) {
        return orEmpty(kGroup7MemoryForms[in.reg()]);
    }
    if (in.modRm >= 0xD8 && in.modRm <= 0xDF) {
        return "SVM instruction";
    }
    if (in.reg() == 4 || in.reg() == 6) {
        return in.reg() == 4 ? "smsw" : "lmsw";
    }
    return lookUp(kGroup7RegisterForms, in.modRm);
}

std::string twoByteName(const Instruction& in) {
    const bool plain = !in.operandSize16 && !in.repPrefix && !in.repnePrefix;
    if (in.opcode >= 0x20 && in.opcode <= 0x23) {
        return moveRegisterName(in);
    }
    switch (in.opcode) {
        case 0x00:
            return orEmpty(kGroup6Forms[in.reg()]);
        case 0x01:
            return group7Name(in);
        case 0x78:
            return plain ? "vmread" : "";
        case 0x79:
            return plain ? "vmwrite" : "";
        case 0xC7:  // group 9: xrstors /3, xsaves /5
            if (in.mod() != 3 && (in.reg() == 3 || in.reg() == 5)) {
                return in.reg() == 3 ? "xrstors" : "xsaves";
            }
            return {};
        default:
            return lookUp(kTwoByte, in.opcode);
    }
}

std::string threeByteName(const Instruction& in) {
    static const char* const names[] = {"invept", "invvpid", "invpcid"};
    if (in.operandSize16 && in.opcode >= 0x80 && in.opcode <= 0x82) {
        return names[in.opcode - 0x80];
    }
    return {};
}

}  // namespace

std::string privilegedInstructionName(const Instruction& instruction,
                                      std::span<const std::byte> bytes) {
    if (instruction.vex) {
        return {};
    }
    switch (instruction.map) {
        case OpcodeMap::kOneByte:
            return instruction.opcode == 0xCD ? softwareInterruptName(instruction, bytes)
                                              : lookUp(kOneByte, instruction.opcode);
        case OpcodeMap::k0F:
            return twoByteName(instruction);
        case OpcodeMap::k0F38:
            return threeByteName(instruction);
        case OpcodeMap::k0F3A:
            return {};
    }
    return {};
}

}  // namespace host::image
