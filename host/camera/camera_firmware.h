// The camera behind its USB interface: what its commands do. It keeps the
// register file (1024 words) and the parameters (256 bytes), answers queries
// into the reply queue and makes frames for the frame endpoint.
//
// Frame requests. The driver sends, per frame, FrameRequest, then a second
// FrameRequest (its opening read control) just before it posts its reads,
// then ReadsPosted once they are posted. A FrameRequest starts a frame only
// while the frame endpoint is idle; one that arrives while a frame is
// pending or being read is absorbed (kAlreadyActive), so that sequence makes
// one frame. ReadsPosted has no effect on a frame under way.
//
// Withheld frames (the "deliver no frame" fault): a FrameRequest that is
// withheld makes no frame, and the endpoint NAKs; the rest of that frame's
// sequence is swallowed with it, up to and including its ReadsPosted, after
// which the next FrameRequest is a new request.
//
// Exposure and gain (exposure_registers.h, brightness.h): a frame is made
// at the brightness the registers hold when it starts.
//
// External trigger (external_trigger.h). While it is on, a FrameRequest
// that would start a frame holds it instead (kAwaitingTrigger; the rest of
// its sequence is absorbed) and the endpoint NAKs until trigger() starts
// it, paced from that moment. A trigger with no frame held is latched: the
// next frame that would be held starts at once instead. Latches do not add
// up (one frame per latch, however many triggers came) and a latch lasts
// until a frame uses it or the camera is power-cycled. Turning the trigger
// off (parameter 11 or register 32) starts a held frame at once. A held
// frame is dropped like any other (dropFrame()).
//
// Not thread-safe: SimulatedCamera guards it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "camera_scene.h"
#include "exposure_registers.h"
#include "frame_endpoint.h"
#include "frame_pacer.h"
#include "received_command.h"
#include "register_word.h"
#include "reply_queue.h"

namespace host::camera {

// What the camera is like at power-up.
struct FirmwareSettings {
    std::shared_ptr<const CameraScene> scene;
    FramePacing pacing = FramePacing::kRealTime;
    double framesPerSecond = 30.0;
    std::uint8_t clockMode = 2;                           // parameter 15
    std::map<std::uint16_t, std::uint8_t> readableBytes;  // ReadByte; others read 0
};

class CameraFirmware {
  public:
    static constexpr int kWithholdEveryFrame = -1;
    static constexpr int kWithholdEveryAnswer = -1;

    explicit CameraFirmware(const FirmwareSettings& settings);

    // Decodes one packet from the command endpoint, received at `now`, and
    // carries it out unless it breaks the protocol. The record's index is
    // left for the caller.
    ReceivedCommand receive(const std::uint8_t* packet, std::size_t length, CameraTime now);

    // One IN transfer on the frame endpoint at `now`.
    FrameEndpoint::ReadResult readFrame(CameraTime now, std::uint8_t* data, std::size_t length);
    // One IN transfer on the reply endpoint.
    host::usb::TransferOutcome readReply(std::uint8_t* data, std::size_t length);
    // Drops the frame under way (a withheld or held one too) and the queued
    // replies: after a port reset, a configuration change or a cleared halt.
    void dropFrame();
    void dropReplies();

    std::uint32_t registerValue(unsigned address) const { return registers_.at(address); }
    std::uint8_t parameter(unsigned number) const { return parameters_.at(number); }
    std::uint8_t readableByte(std::uint16_t address) const;
    std::uint32_t framesStarted() const { return nextFrameNumber_; }
    std::uint32_t framesCompleted() const { return framesCompleted_; }
    FrameEndpoint::State frameState() const { return frames_.state(); }
    std::size_t queuedReplyPackets() const { return replies_.queuedPackets(); }
    CameraTime frameTime() const { return frames_.frameTime(); }
    // What the registers hold now (exposure_registers.h).
    unsigned exposure() const { return decodeExposure(registers_); }
    unsigned globalGain() const { return decodeGlobalGain(registers_); }
    bool triggerOn() const;

    // Changes from outside the protocol, for tests and tools.
    // May start a held frame, by turning the trigger off.
    void setParameter(std::uint8_t number, std::uint8_t value, CameraTime now);
    void setReadableByte(std::uint16_t address, std::uint8_t value);
    void setPacing(FramePacing pacing, double framesPerSecond);
    // Withholds the next `count` frames (kWithholdEveryFrame: all, until
    // withholdFrames(0)).
    void withholdFrames(int count) { framesToWithhold_ = count; }
    // Answers the next `answered` queries as usual, then queues no reply at
    // all to the `count` after them (kWithholdEveryAnswer: to every later
    // one, until withholdAnswers(0, 0)).
    void withholdAnswers(int answered, int count) {
        answersBeforeWithholding_ = answered;
        answersToWithhold_ = count;
    }
    void addFrameTransferFault(const FrameTransferFault& fault) { frames_.addFault(fault); }
    void clearFrameTransferFaults() { frames_.clearFaults(); }
    // The external trigger fires at `now`: starts the held frame, or
    // latches for the next one. True if it started a frame.
    bool trigger(CameraTime now);

  private:
    void execute(ReceivedCommand& command, CameraTime now);
    void requestFrame(ReceivedCommand& command, CameraTime now);
    // Starts a frame available from its paced time; returns its number.
    std::uint32_t startFrame(CameraTime now);
    // Starts a held frame if the trigger is no longer on.
    void releaseIfFreeRunning(CameraTime now);
    void readsPosted();
    void answer(ReceivedCommand& command, std::uint8_t value);

    std::shared_ptr<const CameraScene> scene_;
    FramePacer pacer_;
    std::array<std::uint32_t, kRegisterCount> registers_{};
    std::array<std::uint8_t, 256> parameters_{};
    std::map<std::uint16_t, std::uint8_t> readableBytes_;
    FrameEndpoint frames_;
    ReplyQueue replies_;
    int framesToWithhold_ = 0;
    int answersBeforeWithholding_ = 0;
    int answersToWithhold_ = 0;
    bool triggerLatched_ = false;
    std::uint32_t nextFrameNumber_ = 0;
    std::uint32_t framesCompleted_ = 0;
};

}  // namespace host::camera
