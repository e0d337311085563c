// A CameraDevice configured on the stand-in bus with the simulated camera.
// Tears down in order (unconfigure, device, bus, camera).
#pragma once

#include <memory>

#include <camera/simulated_camera.h>
#include <usb/usb_bus.h>

#include "camera/camera_device.h"
#include "support/ledger_test.h"

class CameraDeviceTest : public LedgerTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The commands the camera received since the last call.
    std::vector<host::camera::ReceivedCommand> newCommands();
    // Only the register writes among them, as (address, value).
    std::vector<std::pair<unsigned, std::uint32_t>> newRegisterWrites();

    std::unique_ptr<host::camera::SimulatedCamera> camera;
    std::unique_ptr<host::usb::UsbBus> bus;
    CameraDevice* device = nullptr;

  private:
    std::size_t seen_ = 0;
};
