#include "command_codes.h"

namespace host::camera {

CommandKind commandKindOf(std::uint8_t code) {
    switch (static_cast<CommandKind>(code)) {
        case CommandKind::kFrameRequest:
        case CommandKind::kReadsPosted:
        case CommandKind::kWriteRegister:
        case CommandKind::kInitialize:
        case CommandKind::kStreamSetup:
        case CommandKind::kSetParameter:
        case CommandKind::kGetParameter:
        case CommandKind::kRawCommand:
        case CommandKind::kReadByte:
            return static_cast<CommandKind>(code);
        default:
            return CommandKind::kUnknown;
    }
}

const char* commandKindName(CommandKind kind) {
    switch (kind) {
        case CommandKind::kFrameRequest:
            return "FrameRequest";
        case CommandKind::kReadsPosted:
            return "ReadsPosted";
        case CommandKind::kWriteRegister:
            return "WriteRegister";
        case CommandKind::kInitialize:
            return "Initialize";
        case CommandKind::kStreamSetup:
            return "StreamSetup";
        case CommandKind::kSetParameter:
            return "SetParameter";
        case CommandKind::kGetParameter:
            return "GetParameter";
        case CommandKind::kRawCommand:
            return "RawCommand";
        case CommandKind::kReadByte:
            return "ReadByte";
        case CommandKind::kUnknown:
            break;
    }
    return "Unknown";
}

}  // namespace host::camera
