// The camera's command set: 64-byte packets on the command endpoint, the
// code in byte 0. What each code's argument bytes are is in
// command_decoder.h; every byte a command does not use is 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace host::camera {

constexpr std::size_t kCommandPacketBytes = 64;
// Replies to queries are packets of the same size on the reply endpoint.
constexpr std::size_t kReplyPacketBytes = 64;

enum class CommandKind : std::uint8_t {
    kFrameRequest = 0x02,
    kReadsPosted = 0x03,
    kWriteRegister = 0x04,
    kInitialize = 0x06,
    kStreamSetup = 0x0A,
    kSetParameter = 0x25,
    kGetParameter = 0x26,
    kRawCommand = 0x40,
    kReadByte = 0x41,
    kUnknown = 0xFF,  // any other code, or an empty packet
};

// The kind a code byte names; kUnknown for codes the camera does not know.
CommandKind commandKindOf(std::uint8_t code);

// "FrameRequest", "WriteRegister", ...
const char* commandKindName(CommandKind kind);

// Parameters with a meaning the camera itself knows.
constexpr std::uint8_t kClockModeParameter = 15;
// External trigger mode (external_trigger.h).
constexpr std::uint8_t kTriggerModeParameter = 11;

}  // namespace host::camera
