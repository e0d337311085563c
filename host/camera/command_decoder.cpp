#include "command_decoder.h"

#include "register_word.h"

namespace host::camera {
namespace {

// Why the bytes from `first` on are not all 0; empty when they are.
std::string paddingError(const std::vector<std::uint8_t>& packet, std::size_t first) {
    for (std::size_t i = first; i < packet.size(); ++i) {
        if (packet[i] != 0) {
            return "byte " + std::to_string(i) + " is " + std::to_string(packet[i]) + ", not 0";
        }
    }
    return {};
}

std::string expectByte(const std::vector<std::uint8_t>& packet, std::size_t i, unsigned want) {
    if (packet[i] == want) {
        return {};
    }
    return "byte " + std::to_string(i) + " is " + std::to_string(packet[i]) + ", not " +
           std::to_string(want);
}

void decodeWriteRegister(ReceivedCommand& c) {
    const auto& p = c.packet;
    const std::uint32_t word = p[2] | (std::uint32_t{p[3]} << 8) | (std::uint32_t{p[4]} << 16) |
                               (std::uint32_t{p[5]} << 24);
    const RegisterWrite write = splitRegisterWord(word);
    c.bitCount = p[1];
    c.address = write.address;
    c.value = write.value;
    c.error = registerWordError(c.bitCount, word);
    if (c.error.empty()) {
        c.error = paddingError(p, 6);
    }
}

void decodeReadByte(ReceivedCommand& c) {
    const auto& p = c.packet;
    c.address = static_cast<std::uint16_t>((p[4] << 8) | p[5]);
    // Bytes 1..3 name the read: a fixed 0x51 2 1.
    static constexpr unsigned kFixed[] = {0x51, 2, 1};
    for (std::size_t i = 1; i <= 3 && c.error.empty(); ++i) {
        c.error = expectByte(p, i, kFixed[i - 1]);
    }
    if (c.error.empty()) {
        c.error = paddingError(p, 6);
    }
}

// Fills the arguments of a 64-byte packet of a known kind.
void decodeArguments(ReceivedCommand& c) {
    const auto& p = c.packet;
    switch (c.kind) {
        case CommandKind::kWriteRegister:
            decodeWriteRegister(c);
            break;
        case CommandKind::kReadByte:
            decodeReadByte(c);
            break;
        case CommandKind::kStreamSetup:
            c.error = expectByte(p, 1, 1);
            c.error = c.error.empty() ? paddingError(p, 2) : c.error;
            break;
        case CommandKind::kSetParameter:
            c.parameter = p[1];
            c.value = p[2];
            c.error = paddingError(p, 3);
            break;
        case CommandKind::kGetParameter:
            c.parameter = p[1];
            c.error = paddingError(p, 2);
            break;
        case CommandKind::kRawCommand:
            break;  // any payload is fine
        case CommandKind::kUnknown:
            c.error = "unknown command code " + std::to_string(p[0]);
            break;
        default:  // FrameRequest, ReadsPosted, Initialize: no arguments
            c.error = paddingError(p, 1);
            break;
    }
}

}  // namespace

ReceivedCommand decodeCommand(const std::uint8_t* packet, std::size_t length) {
    ReceivedCommand c;
    c.packet.assign(packet, packet + length);
    c.kind = length > 0 ? commandKindOf(packet[0]) : CommandKind::kUnknown;
    if (length != kCommandPacketBytes) {
        c.error = "packet of " + std::to_string(length) + " bytes, not " +
                  std::to_string(kCommandPacketBytes);
        return c;
    }
    decodeArguments(c);
    return c;
}

}  // namespace host::camera
