#include "received_command.h"

namespace host::camera {
namespace {

std::string argumentsOf(const ReceivedCommand& c) {
    const std::string number = std::to_string(c.parameter);
    switch (c.kind) {
        case CommandKind::kWriteRegister:
            return " " + std::to_string(c.bitCount) + " bits: register " +
                   std::to_string(c.address) + " = " + std::to_string(c.value);
        case CommandKind::kSetParameter:
            return " " + number + " = " + std::to_string(c.value);
        case CommandKind::kGetParameter:
            return " " + number + " -> " + std::to_string(c.answer);
        case CommandKind::kReadByte:
            return " " + std::to_string(c.address) + " -> " + std::to_string(c.answer);
        case CommandKind::kRawCommand:
            return " " + std::to_string(c.payload().size()) + " payload bytes";
        case CommandKind::kFrameRequest:
            switch (c.frame) {
                case FrameRequestOutcome::kStarted:
                    return ": frame " + std::to_string(c.frameNumber) + " started";
                case FrameRequestOutcome::kAlreadyActive:
                    return ": a frame is already active";
                case FrameRequestOutcome::kAwaitingTrigger:
                    return ": awaiting the trigger";
                case FrameRequestOutcome::kWithheld:
                    return ": withheld";
                case FrameRequestOutcome::kNone:
                    break;
            }
            return {};
        default:
            return {};
    }
}

}  // namespace

std::vector<std::uint8_t> ReceivedCommand::payload() const {
    if (packet.size() <= 1) {
        return {};
    }
    return {packet.begin() + 1, packet.end()};
}

std::string describe(const ReceivedCommand& command) {
    std::string line = "#" + std::to_string(command.index) + " " + commandKindName(command.kind);
    if (command.kind == CommandKind::kUnknown && !command.packet.empty()) {
        line += " (code " + std::to_string(command.packet[0]) + ")";
    }
    if (command.ok()) {
        line += argumentsOf(command);
    } else {
        line += " -- error: " + command.error;
    }
    return line;
}

void PrintTo(const ReceivedCommand& command, std::ostream* out) {
    *out << describe(command);
}

}  // namespace host::camera
