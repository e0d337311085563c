// SimulatedCamera's bulk endpoints: commands in, replies and frames out.
#include <cstdio>

#include "simulated_camera.h"

namespace host::camera {
namespace {

using host::usb::DeviceResponse;

constexpr host::usb::TransferOutcome kStalled = {DeviceResponse::kStall, 0};

std::string endpointName(std::uint8_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", address);
    return text;
}

std::string transferName(std::uint8_t address, bool in) {
    return std::string(in ? "IN" : "OUT") + " transfer on " + endpointName(address);
}

}  // namespace

host::usb::TransferOutcome SimulatedCamera::transferOut(std::uint8_t endpointAddress,
                                                        const std::uint8_t* data,
                                                        std::size_t length) {
    Outcome outcome;
    {
        std::lock_guard lock(mutex_);
        if (const auto refused = refuseBulk(endpointAddress, false)) {
            return *refused;
        }
        outcome = receiveCommand(data, length);
    }
    commandReceived_.notify_all();
    return outcome;
}

host::usb::TransferOutcome SimulatedCamera::transferIn(std::uint8_t endpointAddress,
                                                       std::uint8_t* data, std::size_t length) {
    std::lock_guard lock(mutex_);
    if (const auto refused = refuseBulk(endpointAddress, true)) {
        return *refused;
    }
    return endpointAddress == kFrameEndpoint ? sendFrame(data, length) : sendReply(data, length);
}

void SimulatedCamera::clearHalt(std::uint8_t endpointAddress) {
    std::lock_guard lock(mutex_);
    halted_.erase(endpointAddress);
    if (endpointAddress == kFrameEndpoint) {
        firmware_.dropFrame();
    } else if (endpointAddress == kReplyEndpoint) {
        firmware_.dropReplies();
    }
}

std::optional<SimulatedCamera::Outcome> SimulatedCamera::refuseBulk(std::uint8_t endpointAddress,
                                                                    bool in) {
    if (!connected_) {
        return kStalled;  // the bus turns this into device-gone
    }
    if (configuration_ == 0) {
        recordError(transferName(endpointAddress, in) + " while the device is unconfigured");
        return kStalled;
    }
    const bool known = in ? endpointAddress == kReplyEndpoint || endpointAddress == kFrameEndpoint
                          : endpointAddress == kCommandEndpoint;
    if (!known || !hasEndpoint(descriptorFaults_, endpointAddress)) {
        recordError(transferName(endpointAddress, in) + ", which the interface does not have");
        return kStalled;
    }
    if (halted_.contains(endpointAddress)) {
        return kStalled;
    }
    return std::nullopt;
}

SimulatedCamera::Outcome SimulatedCamera::receiveCommand(const std::uint8_t* data,
                                                         std::size_t length) {
    const std::uint32_t startedBefore = firmware_.framesStarted();
    ReceivedCommand command = firmware_.receive(data, length, clock_->now());
    command.index = received_.size();
    if (!command.ok()) {
        recordError(describe(command));
    }
    // A FrameRequest, or a setting that turned the trigger off.
    notifyIfStarted(startedBefore);
    if (command.kind == CommandKind::kGetParameter || command.kind == CommandKind::kReadByte) {
        if (command.ok()) {
            notifier_.notify();
        }
    }
    received_.push_back(std::move(command));
    return {DeviceResponse::kAck, length};
}

SimulatedCamera::Outcome SimulatedCamera::sendFrame(std::uint8_t* data, std::size_t length) {
    const FrameEndpoint::ReadResult result = firmware_.readFrame(clock_->now(), data, length);
    if (result.halted) {
        halted_.insert(kFrameEndpoint);
    }
    return result.outcome;
}

SimulatedCamera::Outcome SimulatedCamera::sendReply(std::uint8_t* data, std::size_t length) {
    const Outcome outcome = firmware_.readReply(data, length);
    if (outcome.response == DeviceResponse::kAck && length < kReplyPacketBytes) {
        recordError("IN transfer of " + std::to_string(length) + " bytes on " +
                    endpointName(kReplyEndpoint) + " lost the rest of a " +
                    std::to_string(kReplyPacketBytes) + "-byte reply");
    }
    return outcome;
}

}  // namespace host::camera
