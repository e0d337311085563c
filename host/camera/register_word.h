// The register word a WriteRegister command carries: a 32-bit word, sent
// least significant byte first, with the register address in bits 0-9 and
// the value from bit 10 up. The address decides how wide the value is and
// so how many bits the word has, which the command states in its byte 1:
//   registers   0-255:  6 data bits, a 16-bit word;
//   registers 256-383: 16 data bits, a 26-bit word;
//   registers 384-1023: 22 data bits, a 32-bit word.
#pragma once

#include <cstdint>
#include <string>

namespace host::camera {

constexpr unsigned kRegisterCount = 1024;
constexpr unsigned kRegisterAddressBits = 10;

struct RegisterWrite {
    std::uint16_t address;
    std::uint32_t value;
};

// Data bits and word bit count of a register address (0..1023).
unsigned registerDataBits(unsigned address);
unsigned registerWordBits(unsigned address);

// Splits a word into address and value.
RegisterWrite splitRegisterWord(std::uint32_t word);

// Why a word with the stated bit count is not a valid register write (a bit
// count other than 16, 26 or 32, one that does not match the address's
// range, or bits set above the bit count); empty when it is valid.
std::string registerWordError(unsigned bitCount, std::uint32_t word);

}  // namespace host::camera
