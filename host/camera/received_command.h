// One entry of the camera's record of what arrived on its command endpoint:
// the packet as received and what the camera made of it. Tests assert on
// this record rather than on what the driver believes it sent.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "command_codes.h"

namespace host::camera {

// What a FrameRequest led to.
enum class FrameRequestOutcome : std::uint8_t {
    kNone,             // not a FrameRequest, or one with a protocol error
    kStarted,          // a new frame is on its way
    kAlreadyActive,    // a frame was still pending or being read: absorbed
    kWithheld,         // the withhold-frames fault swallowed it
    kAwaitingTrigger,  // held (or absorbed by a held frame) until the trigger
};

struct ReceivedCommand {
    std::size_t index = 0;             // position in the record since power-up
    std::vector<std::uint8_t> packet;  // the bytes as received, any length
    CommandKind kind = CommandKind::kUnknown;

    // Decoded arguments; only those of `kind` are meaningful, the rest 0.
    unsigned bitCount = 0;       // WriteRegister: byte 1
    std::uint16_t address = 0;   // WriteRegister: register; ReadByte: byte address
    std::uint32_t value = 0;     // WriteRegister: value; SetParameter: the value
    std::uint8_t parameter = 0;  // SetParameter, GetParameter: the number
    std::uint8_t answer = 0;     // GetParameter, ReadByte: the byte replied
    FrameRequestOutcome frame = FrameRequestOutcome::kNone;
    std::uint32_t frameNumber = 0;  // FrameRequest kStarted: the frame's number

    // Why the packet broke the protocol; empty for a good one. A packet
    // with an error is acknowledged but has no other effect.
    std::string error;

    bool ok() const { return error.empty(); }
    // RawCommand: bytes 1..63.
    std::vector<std::uint8_t> payload() const;
};

// One line: "#3 WriteRegister 26 bits: register 300 = 4660", with
// " -- error: ..." appended for a bad packet.
std::string describe(const ReceivedCommand& command);

// So that GoogleTest prints records readably.
void PrintTo(const ReceivedCommand& command, std::ostream* out);

}  // namespace host::camera
