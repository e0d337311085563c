// A driver transport on the stand-in bus with the simulated camera: the
// camera, the bus whose device object is the transport's lower device, the
// transport block and the command buffers. Tears down in the right order
// (unconfigure, bus, camera) so the pool ledger balances.
#pragma once

#include <memory>

#include <camera/simulated_camera.h>
#include <usb/usb_bus.h>

#include "support/ledger_test.h"
#include "usb/command_buffers.h"
#include "usb/usb_transport.h"

class TransportTest : public LedgerTest {
  public:
    // Options for a camera that delivers frames as fast as they are read.
    static host::camera::SimulatedCameraOptions unthrottled();

  protected:
    void TearDown() override;

    // A camera (unthrottled unless options say otherwise) on a fresh bus.
    void attach(host::camera::SimulatedCameraOptions options = unthrottled());
    // attach() and ConfigureDevice; expects success.
    void attachConfigured(host::camera::SimulatedCameraOptions options = unthrottled());

    // Commands the camera received since the last call (or since attach).
    std::vector<host::camera::ReceivedCommand> newCommands();

    std::unique_ptr<host::camera::SimulatedCamera> camera;
    std::unique_ptr<host::usb::UsbBus> bus;
    UsbTransport transport{};
    CommandBuffers buffers{};

  private:
    std::size_t seenCommands_ = 0;
};
