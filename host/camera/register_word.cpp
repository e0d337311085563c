#include "register_word.h"

namespace host::camera {

unsigned registerDataBits(unsigned address) {
    if (address < 256) {
        return 6;
    }
    return address < 384 ? 16 : 22;
}

unsigned registerWordBits(unsigned address) {
    return registerDataBits(address) + kRegisterAddressBits;
}

RegisterWrite splitRegisterWord(std::uint32_t word) {
    return {static_cast<std::uint16_t>(word & (kRegisterCount - 1)), word >> kRegisterAddressBits};
}

std::string registerWordError(unsigned bitCount, std::uint32_t word) {
    if (bitCount != 16 && bitCount != 26 && bitCount != 32) {
        return "bit count " + std::to_string(bitCount) + " is not 16, 26 or 32";
    }
    const RegisterWrite write = splitRegisterWord(word);
    const unsigned expected = registerWordBits(write.address);
    if (bitCount != expected) {
        return "bit count " + std::to_string(bitCount) + " for register " +
               std::to_string(write.address) + ", which takes " + std::to_string(expected);
    }
    // A 32-bit word has no bits above its count; a shift by 32 would be
    // undefined, so only narrower words are checked.
    if (bitCount < 32 && (word >> bitCount) != 0) {
        return "bits set above bit " + std::to_string(bitCount - 1) + " of register " +
               std::to_string(write.address) + "'s word";
    }
    return {};
}

}  // namespace host::camera
