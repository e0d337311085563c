#include "camera_firmware.h"

#include "command_decoder.h"
#include "external_trigger.h"

namespace host::camera {

CameraFirmware::CameraFirmware(const FirmwareSettings& settings)
    : scene_(settings.scene),
      pacer_(settings.pacing, settings.framesPerSecond),
      readableBytes_(settings.readableBytes) {
    parameters_[kClockModeParameter] = settings.clockMode;
}

ReceivedCommand CameraFirmware::receive(const std::uint8_t* packet, std::size_t length,
                                        CameraTime now) {
    ReceivedCommand command = decodeCommand(packet, length);
    if (command.ok()) {
        execute(command, now);
    }
    return command;
}

void CameraFirmware::execute(ReceivedCommand& command, CameraTime now) {
    switch (command.kind) {
        case CommandKind::kFrameRequest:
            requestFrame(command, now);
            break;
        case CommandKind::kReadsPosted:
            readsPosted();
            break;
        case CommandKind::kWriteRegister:
            registers_[command.address] = command.value;
            releaseIfFreeRunning(now);
            break;
        case CommandKind::kSetParameter:
            setParameter(command.parameter, static_cast<std::uint8_t>(command.value), now);
            break;
        case CommandKind::kGetParameter:
            answer(command, parameters_[command.parameter]);
            break;
        case CommandKind::kReadByte:
            answer(command, readableByte(command.address));
            break;
        default:
            // Initialize, StreamSetup and RawCommand change nothing the
            // simulation models; the record of them is what tests look at.
            break;
    }
}

void CameraFirmware::requestFrame(ReceivedCommand& command, CameraTime now) {
    switch (frames_.state()) {
        case FrameEndpoint::State::kActive:
            command.frame = FrameRequestOutcome::kAlreadyActive;
            return;
        case FrameEndpoint::State::kWithheld:
            command.frame = FrameRequestOutcome::kWithheld;
            return;
        case FrameEndpoint::State::kAwaitingTrigger:
            command.frame = FrameRequestOutcome::kAwaitingTrigger;
            return;
        case FrameEndpoint::State::kIdle:
            break;
    }
    if (framesToWithhold_ != 0) {
        framesToWithhold_ -= framesToWithhold_ > 0 ? 1 : 0;
        frames_.withhold();
        command.frame = FrameRequestOutcome::kWithheld;
        return;
    }
    if (triggerOn()) {
        if (!triggerLatched_) {
            frames_.hold();
            command.frame = FrameRequestOutcome::kAwaitingTrigger;
            return;
        }
        triggerLatched_ = false;
    }
    command.frame = FrameRequestOutcome::kStarted;
    command.frameNumber = startFrame(now);
}

std::uint32_t CameraFirmware::startFrame(CameraTime now) {
    const std::uint32_t number = nextFrameNumber_++;
    scene_->render(number, frames_.start(pacer_.nextFrameTime(now)),
                   Brightness(exposure(), globalGain()));
    return number;
}

bool CameraFirmware::triggerOn() const {
    return externalTriggerOn(parameters_[kTriggerModeParameter],
                             registers_[kTriggerControlRegister]);
}

bool CameraFirmware::trigger(CameraTime now) {
    if (frames_.state() != FrameEndpoint::State::kAwaitingTrigger) {
        triggerLatched_ = true;
        return false;
    }
    startFrame(now);
    return true;
}

void CameraFirmware::releaseIfFreeRunning(CameraTime now) {
    if (frames_.state() == FrameEndpoint::State::kAwaitingTrigger && !triggerOn()) {
        startFrame(now);
    }
}

void CameraFirmware::setParameter(std::uint8_t number, std::uint8_t value, CameraTime now) {
    parameters_[number] = value;
    releaseIfFreeRunning(now);
}

void CameraFirmware::readsPosted() {
    if (frames_.state() == FrameEndpoint::State::kWithheld) {
        frames_.abandon();  // the withheld frame's sequence is over
    }
}

void CameraFirmware::answer(ReceivedCommand& command, std::uint8_t value) {
    command.answer = value;
    if (answersBeforeWithholding_ > 0) {
        --answersBeforeWithholding_;
    } else if (answersToWithhold_ != 0) {
        if (answersToWithhold_ > 0) {
            --answersToWithhold_;
        }
        return;  // the reply endpoint keeps NAKing
    }
    replies_.queueAnswer(command.packet, value);
}

FrameEndpoint::ReadResult CameraFirmware::readFrame(CameraTime now, std::uint8_t* data,
                                                    std::size_t length) {
    const FrameEndpoint::ReadResult result = frames_.read(now, data, length);
    framesCompleted_ += result.completed ? 1 : 0;
    return result;
}

host::usb::TransferOutcome CameraFirmware::readReply(std::uint8_t* data, std::size_t length) {
    return replies_.read(data, length);
}

void CameraFirmware::dropFrame() {
    frames_.abandon();
}

void CameraFirmware::dropReplies() {
    replies_.clear();
}

std::uint8_t CameraFirmware::readableByte(std::uint16_t address) const {
    const auto it = readableBytes_.find(address);
    return it == readableBytes_.end() ? 0 : it->second;
}

void CameraFirmware::setReadableByte(std::uint16_t address, std::uint8_t value) {
    readableBytes_[address] = value;
}

void CameraFirmware::setPacing(FramePacing pacing, double framesPerSecond) {
    pacer_.setPacing(pacing, framesPerSecond);
}

}  // namespace host::camera
