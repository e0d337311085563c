// The simulated camera on the stand-in USB bus: a UsbDeviceModel that
// answers the bus transfer by transfer as the real camera would, and keeps a
// record of everything it received for tests to assert on.
//
// USB side (usb_descriptors.h): descriptors on GET_DESCRIPTOR (device, and
// configuration with min(wLength, its length)), SET_CONFIGURATION 0 or 1,
// SET_INTERFACE 0/0. Bulk transfers need configuration 1; a transfer to an
// endpoint that is missing, of the wrong direction, or made while the
// device is unconfigured stalls and counts as a protocol error. While the
// device is disconnected every transfer stalls (the bus reports the device
// gone). A port reset or a change of configuration drops the frame under way
// and the queued replies and clears every halt. Clearing a halt (the bus's
// reset pipe) on the frame endpoint drops the frame under way, on the reply
// endpoint the queued replies, so that a driver recovering starts clean.
//
// Command side (camera_firmware.h, command_decoder.h): every packet on the
// command endpoint is acknowledged and recorded; a packet that breaks the
// protocol is recorded with its error and otherwise ignored.
//
// Frames (camera_scene.h, frame_pacer.h, frame_endpoint.h): a FrameRequest
// makes one frame of the scene, numbered from 0, available at its paced time
// on the frame endpoint. The data-ready callback is called, from the
// camera's own thread, when a frame's time comes, when a reply is queued and
// when a fault or a disconnection changes what a NAKed transfer would get.
// Frames come out as bright as the exposure and gain registers say
// (brightness.h); an unprogrammed camera shows the scene as it is. While
// the external trigger is on (external_trigger.h) a requested frame waits
// for trigger() (camera_firmware.h has the rules).
//
// Threads: the bus calls the UsbDeviceModel methods from its thread; every
// other method may be called from any thread at any time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <usb/usb_device_model.h>

#include "camera_firmware.h"
#include "frame_geometry.h"
#include "ready_notifier.h"
#include "simulated_camera_options.h"

namespace host::camera {

class SimulatedCamera final : public host::usb::UsbDeviceModel {
  public:
    // Connected and enabled, unconfigured: as if just plugged in. Throws
    // std::invalid_argument for a fixed frame of the wrong size or a frame
    // rate of 0 or less at real-time pacing.
    explicit SimulatedCamera(SimulatedCameraOptions options = {});
    ~SimulatedCamera() override;
    SimulatedCamera(const SimulatedCamera&) = delete;
    SimulatedCamera& operator=(const SimulatedCamera&) = delete;

    // ---- UsbDeviceModel (the bus) ------------------------------------------
    host::usb::TransferOutcome controlTransfer(const host::usb::SetupPacket& setup,
                                               std::uint8_t* data) override;
    host::usb::TransferOutcome transferOut(std::uint8_t endpointAddress, const std::uint8_t* data,
                                           std::size_t length) override;
    host::usb::TransferOutcome transferIn(std::uint8_t endpointAddress, std::uint8_t* data,
                                          std::size_t length) override;
    void clearHalt(std::uint8_t endpointAddress) override;
    bool connected() const override;
    bool enabled() const override;
    void resetPort() override;
    // Returns once no call of the previous callback is in progress: do not
    // call it while holding a lock that the callback takes.
    void setDataReadyCallback(std::function<void()> ready) override;

    // ---- What the camera received ------------------------------------------
    // Every packet from the command endpoint since the camera was made, in
    // order; a record's index is its position here.
    std::vector<ReceivedCommand> receivedCommands() const;
    // Those from position `first` on: take size() of an earlier answer as a
    // mark to look only at what came after it.
    std::vector<ReceivedCommand> receivedCommandsSince(std::size_t first) const;
    std::vector<ReceivedCommand> receivedCommandsOfKind(CommandKind kind) const;
    // Waits until at least `count` packets have been received; false if the
    // timeout passed first.
    bool waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const;
    // Every protocol error so far, oldest first: bad command packets (as
    // describe() shows them) and USB-level misuse.
    std::vector<std::string> protocolErrors() const;

    // ---- Camera state ------------------------------------------------------
    std::uint32_t registerValue(unsigned address) const;
    std::uint8_t parameterValue(unsigned number) const;
    std::uint8_t configurationValue() const;
    std::uint32_t framesStarted() const;
    std::uint32_t framesCompleted() const;  // read to their last byte
    FrameEndpoint::State frameState() const;
    std::size_t queuedReplyPackets() const;
    // The exposure (kUnprogrammedExposure, 3..1001, 1002 or 1003) and global
    // gain (0..1023) the registers hold now: exposure_registers.h.
    unsigned currentExposure() const;
    unsigned currentGain() const;
    // Whether requested frames wait for trigger().
    bool externalTriggerOn() const;

    // ---- Settings, as if changed inside the camera -------------------------
    void setParameterValue(std::uint8_t number, std::uint8_t value);
    void setReadableByte(std::uint16_t address, std::uint8_t value);
    void setPacing(FramePacing pacing, double framesPerSecond = 30.0);
    // Fires the external trigger: starts the frame waiting for it, or, if
    // none is, lets the next one start without waiting (one, however many
    // triggers came). True if it started a frame. No effect on frames while
    // the trigger is off, except that the latch stays for later.
    bool trigger();

    // ---- Fault switches ----------------------------------------------------
    // Halts an endpoint (0x00 for the control pipe) until clearHalt().
    void stallEndpoint(std::uint8_t endpointAddress);
    // The next `count` frame requests bring no frame (camera_firmware.h);
    // CameraFirmware::kWithholdEveryFrame: none do until withholdFrames(0).
    void withholdFrames(int count);
    // Queries are answered `answered` more times, then the `count` after
    // them get no reply (CameraFirmware::kWithholdEveryAnswer: none do until
    // withholdAnswers(0, 0)); their reply transfers NAK until cancelled.
    void withholdAnswers(int answered, int count);
    void addFrameTransferFault(const FrameTransferFault& fault);
    void clearFrameTransferFaults();
    // Descriptor faults take effect at the next descriptor request.
    void setDescriptorFaults(const DescriptorFaults& faults);
    // The port disables the camera (as after a port error): still
    // connected, enabled() false until the next port reset.
    void disablePort();
    // Unplugs the camera: connected() and enabled() turn false.
    void disconnect();
    // Plugs it back in: a power-cycled camera (registers, parameters and
    // frame numbering as at construction; the record of received commands
    // and protocol errors stays), connected, enabled and unconfigured.
    void reconnect();

  private:
    using Outcome = host::usb::TransferOutcome;

    // Stalls a bulk transfer that may not go ahead, recording why if it is
    // the driver's fault; nullopt when it may.
    std::optional<Outcome> refuseBulk(std::uint8_t endpointAddress, bool in);
    Outcome receiveCommand(const std::uint8_t* data, std::size_t length);
    Outcome sendFrame(std::uint8_t* data, std::size_t length);
    Outcome sendReply(std::uint8_t* data, std::size_t length);
    Outcome getDescriptor(const host::usb::SetupPacket& setup, std::uint8_t* data);
    Outcome setConfiguration(std::uint16_t value);
    Outcome refuseControl(const host::usb::SetupPacket& setup);
    // Schedules the data-ready callback for a frame if one started since
    // framesStarted() was `startedBefore`.
    void notifyIfStarted(std::uint32_t startedBefore);
    // Back to the default state of a port: no frame, no replies, no halts.
    void dropTransfers();
    void recordError(std::string error);

    const std::uint16_t vendorId_;
    const std::uint16_t productId_;
    const FirmwareSettings firmwareSettings_;
    const std::shared_ptr<CameraClock> clock_;

    mutable std::mutex mutex_;  // guards everything below
    mutable std::condition_variable commandReceived_;
    CameraFirmware firmware_;
    DescriptorFaults descriptorFaults_;
    bool connected_ = true;
    bool enabled_ = true;
    std::uint8_t configuration_ = 0;
    std::set<std::uint8_t> halted_;
    std::vector<ReceivedCommand> received_;
    std::vector<std::string> protocolErrors_;

    ReadyNotifier notifier_;  // last: its thread stops first
};

}  // namespace host::camera
