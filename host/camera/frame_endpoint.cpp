#include "frame_endpoint.h"

#include <algorithm>

#include "frame_geometry.h"

namespace host::camera {
namespace {

using host::usb::DeviceResponse;

constexpr host::usb::TransferOutcome kNak = {DeviceResponse::kNak, 0};
constexpr host::usb::TransferOutcome kStall = {DeviceResponse::kStall, 0};

}  // namespace

FrameEndpoint::FrameEndpoint() : buffer_(kFrameBytes) {}

std::uint8_t* FrameEndpoint::start(CameraTime at) {
    state_ = State::kActive;
    frameTime_ = at;
    sent_ = 0;
    transferIndex_ = 0;
    return buffer_.data();
}

void FrameEndpoint::withhold() {
    state_ = State::kWithheld;
}

void FrameEndpoint::hold() {
    state_ = State::kAwaitingTrigger;
}

void FrameEndpoint::abandon() {
    state_ = State::kIdle;
}

FrameEndpoint::ReadResult FrameEndpoint::read(CameraTime now, std::uint8_t* data,
                                              std::size_t length) {
    if (state_ != State::kActive || now < frameTime_) {
        return {kNak};
    }
    const FrameTransferFault* fault = takeFault();
    ++transferIndex_;
    if (fault != nullptr && fault->action == FrameTransferFault::Action::kStall) {
        abandon();
        return {kStall, true};
    }
    const std::size_t due = std::min(length, buffer_.size() - sent_);
    const std::size_t carried = fault != nullptr ? std::min(due, fault->bytes) : due;
    std::copy_n(buffer_.begin() + static_cast<std::ptrdiff_t>(sent_), carried, data);
    sent_ += due;
    const bool completed = sent_ == buffer_.size();
    if (completed) {
        state_ = State::kIdle;
    }
    return {{DeviceResponse::kAck, carried}, false, completed};
}

void FrameEndpoint::addFault(const FrameTransferFault& fault) {
    faults_.push_back(fault);
}

void FrameEndpoint::clearFaults() {
    faults_.clear();
}

const FrameTransferFault* FrameEndpoint::takeFault() {
    const auto it = std::find_if(faults_.begin(), faults_.end(), [&](const auto& f) {
        return f.transferIndex == transferIndex_ && f.frames != 0;
    });
    if (it == faults_.end()) {
        return nullptr;
    }
    firedFault_ = *it;
    if (it->frames > 0 && --it->frames == 0) {
        faults_.erase(it);
    }
    return &firedFault_;
}

}  // namespace host::camera
