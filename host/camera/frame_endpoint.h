// The frame endpoint's side of a frame: idle, or holding one frame that it
// sends from its frame time on, IN transfer by IN transfer, each getting
// min(requested, remaining) bytes; once the last byte has gone it is idle
// again and NAKs until the next frame starts. Frame transfer faults
// (frame_transfer_fault.h) apply by a transfer's index within its frame.
//
// Not thread-safe: the camera guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <usb/usb_device_model.h>

#include "camera_clock.h"
#include "frame_transfer_fault.h"

namespace host::camera {

class FrameEndpoint {
  public:
    enum class State {
        kIdle,             // nothing to send: NAK
        kActive,           // a frame waits for its time or is being read
        kWithheld,         // a frame was requested but will never come: NAK
        kAwaitingTrigger,  // a frame was requested and waits for the trigger: NAK
    };

    struct ReadResult {
        host::usb::TransferOutcome outcome;
        bool halted = false;     // a stall fault halted the endpoint
        bool completed = false;  // this transfer took the frame's last byte
    };

    FrameEndpoint();

    State state() const { return state_; }
    CameraTime frameTime() const { return frameTime_; }

    // Makes the endpoint active with a frame available from `at`; returns
    // the buffer (kFrameBytes) for the caller to fill before any read.
    std::uint8_t* start(CameraTime at);
    void withhold();
    // Holds a requested frame until the trigger starts it: start() then.
    void hold();
    // Drops whatever frame there is: idle.
    void abandon();

    // One IN transfer at time `now`.
    ReadResult read(CameraTime now, std::uint8_t* data, std::size_t length);

    void addFault(const FrameTransferFault& fault);
    void clearFaults();

  private:
    // The fault for the current transfer, if any; counts its use.
    const FrameTransferFault* takeFault();

    std::vector<std::uint8_t> buffer_;
    State state_ = State::kIdle;
    CameraTime frameTime_{};
    std::size_t sent_ = 0;           // bytes of the frame consumed
    std::size_t transferIndex_ = 0;  // data transfers of the frame so far
    std::vector<FrameTransferFault> faults_;
    FrameTransferFault firedFault_;  // the fault takeFault() last used
};

}  // namespace host::camera
