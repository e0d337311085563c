// The contract between the stand-in USB bus and a simulated device on it.
//
// The bus (host/usb) owns the device's port: it turns each URB the driver
// submits into transfers on the device's endpoints and asks the device,
// through this interface, what happens on the wire. A device (host/camera)
// answers transfer by transfer, as a real one would answer the host
// controller's tokens.
//
// Threads: the bus calls a device from its own bus thread only, one call at
// a time; tests and tools may call the device's own control methods (fault
// switches, triggers) from other threads, so a device guards its state.
// The data-ready callback may be called from any thread, any number of
// times; the bus only uses it to look at its NAKed IN transfers again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace host::usb {

// Standard 8-byte setup packet of a control transfer.
struct SetupPacket {
    std::uint8_t bmRequestType;
    std::uint8_t bRequest;
    std::uint16_t wValue;
    std::uint16_t wIndex;
    std::uint16_t wLength;
};

// A device's answer to one transfer attempt.
enum class DeviceResponse {
    kAck,   // transferred `length` bytes (an IN transfer may be short)
    kNak,   // not ready: the bus retries when the device says data is ready
    kStall  // the endpoint is halted until the bus clears it
};

struct TransferOutcome {
    DeviceResponse response;
    std::size_t length;  // bytes moved, for kAck
};

class UsbDeviceModel {
  public:
    virtual ~UsbDeviceModel() = default;

    // A request on the default control pipe. For a device-to-host request
    // `data` has room for wLength bytes and receives the answer; for
    // host-to-device it holds wLength bytes. The bus handles nothing
    // itself: GET_DESCRIPTOR and SET_CONFIGURATION reach the device here.
    virtual TransferOutcome controlTransfer(const SetupPacket& setup, std::uint8_t* data) = 0;

    // A bulk or interrupt OUT transfer of `length` bytes to the endpoint.
    virtual TransferOutcome transferOut(std::uint8_t endpointAddress, const std::uint8_t* data,
                                        std::size_t length) = 0;

    // A bulk or interrupt IN transfer of up to `length` bytes. kNak while
    // the endpoint has nothing to send.
    virtual TransferOutcome transferIn(std::uint8_t endpointAddress, std::uint8_t* data,
                                       std::size_t length) = 0;

    // Clears a halted endpoint (the bus's reset-pipe-and-clear-stall).
    virtual void clearHalt(std::uint8_t endpointAddress) = 0;

    // Port state and reset, as the hub sees them.
    virtual bool connected() const = 0;
    virtual bool enabled() const = 0;
    virtual void resetPort() = 0;

    // The device calls `ready` whenever an endpoint that NAKed may now have
    // data (a reply queued, a frame started). Set once by the bus before it
    // carries the first transfer; an empty function unregisters.
    virtual void setDataReadyCallback(std::function<void()> ready) = 0;
};

}  // namespace host::usb
