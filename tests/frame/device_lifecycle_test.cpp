// The device's life on the streaming class seen from inside the driver:
// the device object, its worker across starts and stops. The life cycle as
// Windows and an application see it is in tests/blackbox.
#include <gtest/gtest.h>

#include <kernel/registry.h>

#include "driver_harness.h"
#include "frame/capture_worker.h"
#include "frame/device_dispatch.h"

namespace {

using host::camera::CommandKind;

std::size_t countCommands(host::camera::SimulatedCamera& camera, CommandKind kind) {
    return camera.receivedCommandsOfKind(kind).size();
}

TEST_F(DriverTest, AddGivesTheDeviceItsContextWithDefaultsAndTheFullFrame) {
    plugIn(/*start=*/false);
    ASSERT_NE(camera(), nullptr);
    EXPECT_EQ(camera()->device, device);
    EXPECT_EQ(camera()->worker, nullptr);
    EXPECT_EQ(camera()->roiWidth, 1280);
    EXPECT_EQ(camera()->outputHeight, 960);
    EXPECT_EQ(camera()->timeoutMs, 3000u);
    EXPECT_EQ(camera()->exposure, 0u);
    EXPECT_EQ(camera()->transport.lowerDevice, bus->deviceObject());
}

TEST_F(DriverTest, StartMakesTheFilterAndTheWorkerAndBringsTheCameraUp) {
    plugIn();
    EXPECT_NE(camera()->worker, nullptr);
    EXPECT_EQ(camera()->worker->camera, camera());
    EXPECT_EQ(countCommands(*simulatedCamera, CommandKind::kInitialize), 1u);
    EXPECT_EQ(camera()->exposure, 3u) << "the registry load applied the default exposure";
    auto filter = openFilter();
    EXPECT_TRUE(filter.isOpen());
}

TEST_F(DriverTest, AStartOnAStartedDeviceOnlyConfiguresAndInitialisesAgain) {
    plugIn();
    CaptureWorker* worker = camera()->worker;
    ASSERT_TRUE(device->Started);
    EXPECT_EQ(DeviceStart(device, nullptr, nullptr, nullptr), STATUS_SUCCESS);
    EXPECT_EQ(camera()->worker, worker) << "no second worker";
    EXPECT_EQ(countCommands(*simulatedCamera, CommandKind::kInitialize), 2u);
    auto filter = openFilter();  // still the one factory
    EXPECT_TRUE(filter.isOpen());
}

TEST_F(DriverTest, StopSavesAndAStartAfterItLoadsTheSavedSettings) {
    plugIn();
    CaptureWorker* firstWorker = camera()->worker;
    camera()->setSaturation(17);
    camera()->setExposure(420);
    host::streaming::stopDevice(device);
    const std::string key = host::registry().driverKeyPath(bus->deviceObject()) + "\\Settings";
    EXPECT_EQ(host::registry().dword(key, "Saturation"), 17u);
    EXPECT_EQ(host::registry().dword(key, "Exposure"), 420u);

    host::registry().setDword(key, "Hue", 30);  // changed while stopped
    camera()->setSaturation(10);
    ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);
    EXPECT_NE(camera()->worker, firstWorker) << "a new worker for the new start";
    EXPECT_EQ(camera()->saturation, 17);
    EXPECT_EQ(camera()->hue, 30);
    EXPECT_EQ(simulatedCamera->currentExposure(), 420u);
    auto filter = openFilter();
    EXPECT_TRUE(filter.isOpen());
}

TEST_F(DriverTest, ABagThatRefusesTheWorkerLeavesTheDeviceWithout) {
    plugIn(/*start=*/false);
    host::streaming::faults().failBagAdds(STATUS_INSUFFICIENT_RESOURCES, 1);
    ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);
    EXPECT_EQ(camera()->worker, nullptr);
}

}  // namespace
