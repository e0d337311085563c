#include "camera_device_harness.h"

#include "usb/device_configuration.h"

void CameraDeviceTest::SetUp() {
    LedgerTest::SetUp();
    host::camera::SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    camera = std::make_unique<host::camera::SimulatedCamera>(options);
    bus = std::make_unique<host::usb::UsbBus>(*camera);
    ASSERT_EQ(
        CameraDevice::Create(nullptr, bus->deviceObject(), bus->deviceObject(), nullptr, &device),
        STATUS_SUCCESS);
    ASSERT_EQ(ConfigureDevice(&device->transport), STATUS_SUCCESS);
}

void CameraDeviceTest::TearDown() {
    if (device != nullptr) {
        UnconfigureDevice(&device->transport);
        CameraDevice::Destroy(device);
    }
    bus.reset();
    camera.reset();
    LedgerTest::TearDown();
}

std::vector<host::camera::ReceivedCommand> CameraDeviceTest::newCommands() {
    auto commands = camera->receivedCommandsSince(seen_);
    seen_ += commands.size();
    return commands;
}

std::vector<std::pair<unsigned, std::uint32_t>> CameraDeviceTest::newRegisterWrites() {
    std::vector<std::pair<unsigned, std::uint32_t>> writes;
    for (const auto& c : newCommands()) {
        if (c.kind == host::camera::CommandKind::kWriteRegister) {
            writes.emplace_back(c.address, c.value);
        }
    }
    return writes;
}
