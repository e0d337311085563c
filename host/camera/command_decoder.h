// Reads a packet from the command endpoint into a ReceivedCommand: its kind,
// its arguments and, for a packet that breaks the protocol, the error. The
// camera is stricter than the hardware: a packet is exactly 64 bytes and
// every byte its command does not use is 0. The commands:
//   0x02 FrameRequest   no arguments
//   0x03 ReadsPosted    no arguments
//   0x04 WriteRegister  byte 1 bit count, bytes 2..5 the register word, LSB
//                       first (register_word.h)
//   0x06 Initialize     no arguments
//   0x0A StreamSetup    byte 1 = 1
//   0x25 SetParameter   byte 1 parameter number, byte 2 value
//   0x26 GetParameter   byte 1 parameter number
//   0x40 RawCommand     bytes 1..63 a payload of any content
//   0x41 ReadByte       bytes 1..3 = 0x51 2 1, byte 4 address high, byte 5 low
// Decoding has no effect on the camera; executing the command is the
// camera's business. `answer`, `frame` and `index` are left for it to fill.
#pragma once

#include <cstddef>
#include <cstdint>

#include "received_command.h"

namespace host::camera {

ReceivedCommand decodeCommand(const std::uint8_t* packet, std::size_t length);

}  // namespace host::camera
