// The device's life on the streaming class as Windows drives it: add,
// start, stop, start again, removal, and the failures the class or the bus
// can hand it; observed only through the camera, the registry and what an
// application can open.
#include <gtest/gtest.h>

#include <kernel/registry.h>

#include "blackbox_harness.h"

namespace {

using host::camera::CommandKind;

class DeviceLifecycleTest : public BlackBoxTest {
  protected:
    std::size_t commandsOfKind(CommandKind kind) const {
        return simulatedCamera->receivedCommandsOfKind(kind).size();
    }
    std::string settingsKey() const {
        return host::registry().driverKeyPath(bus->deviceObject()) + "\\Settings";
    }
};

TEST_F(DeviceLifecycleTest, AddAloneLeavesTheCameraAloneAndOffersNoFilter) {
    plugIn(/*start=*/false);
    EXPECT_TRUE(simulatedCamera->receivedCommands().empty());
    openFilter(STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(DeviceLifecycleTest, StartBringsTheCameraUpAppliesTheStoredDefaultsAndOffersTheFilter) {
    plugIn();
    EXPECT_EQ(commandsOfKind(CommandKind::kInitialize), 1u);
    EXPECT_EQ(simulatedCamera->currentExposure(), 3u) << "the default exposure reached the camera";
    auto filter = openFilter();
    ASSERT_TRUE(filter.isOpen());
    EXPECT_EQ(CameraSettings(filter).get(CAMPROP_EXPOSURE), 3);
}

TEST_F(DeviceLifecycleTest, StopSavesTheSettingsAndTheNextStartLoadsThem) {
    plugIn();
    {
        auto filter = openFilter();
        CameraSettings settings(filter);
        ASSERT_EQ(settings.set(CAMPROP_SATURATION, 17), STATUS_SUCCESS);
        ASSERT_EQ(settings.set(CAMPROP_EXPOSURE, 420), STATUS_SUCCESS);
    }
    host::streaming::stopDevice(device);
    EXPECT_EQ(host::registry().dword(settingsKey(), "Saturation"), 17u);
    EXPECT_EQ(host::registry().dword(settingsKey(), "Exposure"), 420u);

    host::registry().setDword(settingsKey(), "Hue", 30);  // changed while stopped
    ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);
    EXPECT_EQ(simulatedCamera->currentExposure(), 420u);
    auto filter = openFilter();
    CameraSettings settings(filter);
    EXPECT_EQ(settings.get(CAMPROP_SATURATION), 17);
    EXPECT_EQ(settings.get(CAMPROP_HUE), 30);
}

TEST_F(DeviceLifecycleTest, ClosingAFilterSavesTheSettings) {
    plugIn();
    {
        auto filter = openFilter();
        ASSERT_EQ(CameraSettings(filter).set(CAMPROP_CONTRAST, 14), STATUS_SUCCESS);
    }
    EXPECT_EQ(host::registry().dword(settingsKey(), "Contrast"), 14u);
}

TEST_F(DeviceLifecycleTest, AFilterFactoryThatCannotBeMadeDoesNotFailTheStart) {
    host::streaming::faults().failFilterFactories(STATUS_INSUFFICIENT_RESOURCES);
    plugIn();
    EXPECT_EQ(commandsOfKind(CommandKind::kInitialize), 1u);
    openFilter(STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(DeviceLifecycleTest, ABagThatRefusesTheContextFailsTheAddAndLeavesNothing) {
    host::streaming::faults().failBagAdds(STATUS_INSUFFICIENT_RESOURCES, 1);
    EXPECT_EQ(driver->addDevice(bus->deviceObject(), &device), STATUS_INSUFFICIENT_RESOURCES);
    // The ledger check at the end proves the context was freed.
}

TEST_F(DeviceLifecycleTest, ADeviceWhoseWorkerCouldNotBeKeptStartsButRefusesToRun) {
    plugIn(/*start=*/false);
    host::streaming::faults().failBagAdds(STATUS_INSUFFICIENT_RESOURCES, 1);
    ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);
    auto filter = openFilter();
    const KS_DATARANGE_VIDEO range = advertisedRange(filter);
    Bytes format = negotiatedFormat(filter);
    ASSERT_EQ(range.DataRange.SampleSize, 1280u * 960u * 4u);
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto pin = filter.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
    ASSERT_EQ(status, STATUS_SUCCESS);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
}

TEST_F(DeviceLifecycleTest, AFailedUsbConfigurationIsTheResultOfStart) {
    plugIn(/*start=*/false);
    bus->faults().failDeviceDescriptorRequests(true);
    EXPECT_FALSE(NT_SUCCESS(host::streaming::startDevice(device)));
}

TEST_F(DeviceLifecycleTest, RemovalWithAFilterOpenFreesEverythingTheDeviceOwned) {
    plugIn();
    auto filter = openFilter();
    host::streaming::removeDevice(device);
    device = nullptr;
    EXPECT_EQ(CameraSettings(filter).set(CAMPROP_HUE, 1), STATUS_INVALID_HANDLE)
        << "the class closed the filter with the device";
    // LedgerTest: no block of any tag left.
}

}  // namespace
