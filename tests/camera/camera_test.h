// The fixture of the camera's tests: a simulated camera driven directly
// through its UsbDeviceModel interface, the way the bus would, with helpers
// to build command packets and read the IN endpoints.
#pragma once

#include <camera/simulated_camera.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "support/ledger_test.h"

struct InTransfer {
    host::usb::TransferOutcome outcome;
    std::vector<std::uint8_t> bytes;  // what the camera wrote, `outcome.length` bytes

    bool acked() const { return outcome.response == host::usb::DeviceResponse::kAck; }
    bool naked() const { return outcome.response == host::usb::DeviceResponse::kNak; }
    bool stalled() const { return outcome.response == host::usb::DeviceResponse::kStall; }
};

// A 64-byte command packet: `code`, then `arguments` from byte 1, zeros.
std::vector<std::uint8_t> commandPacket(std::uint8_t code,
                                        std::initializer_list<std::uint8_t> arguments = {});
// WriteRegister with the word built from address and value as given.
std::vector<std::uint8_t> writeRegisterPacket(unsigned bitCount, unsigned address,
                                              std::uint32_t value);

class CameraTest : public LedgerTest {
  protected:
    static constexpr std::size_t kChunk = 65536;

    void TearDown() override;

    // Options of a camera that sends frames as fast as possible.
    static host::camera::SimulatedCameraOptions fastOptions();
    // Makes the camera (replacing an earlier one); configured unless told.
    host::camera::SimulatedCamera& makeCamera(host::camera::SimulatedCameraOptions options,
                                              bool configure = true);
    host::camera::SimulatedCamera& camera() { return *camera_; }

    host::usb::TransferOutcome control(const host::usb::SetupPacket& setup,
                                       std::vector<std::uint8_t>& data);
    host::usb::TransferOutcome setConfiguration(std::uint16_t value);
    // GET_DESCRIPTOR of `type` (index 0) with wLength `length`.
    InTransfer getDescriptor(std::uint8_t type, std::uint16_t length);

    host::usb::TransferOutcome send(const std::vector<std::uint8_t>& packet);
    // Sends each packet in order, expecting each acknowledged and decoded
    // without a protocol error.
    void sendAll(const std::vector<std::vector<std::uint8_t>>& packets);
    InTransfer readIn(std::uint8_t endpoint, std::size_t length);
    // Sends the driver's per-frame sequence: FrameRequest, FrameRequest
    // (the opening read control), ReadsPosted.
    void requestFrame();
    // Reads the frame endpoint in kChunk transfers until the frame is
    // complete (failing the test on anything but an ACK).
    std::vector<std::uint8_t> readWholeFrame();

  private:
    std::unique_ptr<host::camera::SimulatedCamera> camera_;
};
