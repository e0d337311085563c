#include "transport_harness.h"

#include "settings/frame_timeout.h"
#include "usb/device_configuration.h"

host::camera::SimulatedCameraOptions TransportTest::unthrottled() {
    host::camera::SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    return options;
}

void TransportTest::attach(host::camera::SimulatedCameraOptions options) {
    camera = std::make_unique<host::camera::SimulatedCamera>(std::move(options));
    bus = std::make_unique<host::usb::UsbBus>(*camera);
    ASSERT_NE(bus->deviceObject(), nullptr);
    InitializeUsbTransport(&transport, bus->deviceObject(), bus->deviceObject(), nullptr);
    InitializeCommandBuffers(&buffers);
}

void TransportTest::attachConfigured(host::camera::SimulatedCameraOptions options) {
    attach(std::move(options));
    ASSERT_EQ(ConfigureDevice(&transport), STATUS_SUCCESS);
}

std::vector<host::camera::ReceivedCommand> TransportTest::newCommands() {
    auto commands = camera->receivedCommandsSince(seenCommands_);
    seenCommands_ += commands.size();
    return commands;
}

void TransportTest::TearDown() {
    if (bus) {
        UnconfigureDevice(&transport);
    }
    bus.reset();
    camera.reset();
    SetFrameTimeoutMs(kDefaultFrameTimeoutMs);
    LedgerTest::TearDown();
}
