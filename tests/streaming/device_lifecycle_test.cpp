// Driver load and the device's plug-and-play life on the stand-in class:
// which minidriver callbacks run, in which order, at which IRQL, and what
// the class leaves behind.
#include "streaming_test.h"

namespace {

using host::streaming::FilterHandle;

TEST_F(StreamingTest, AddBuildsTheDeviceOnItsPhysicalDevice) {
    addDevice();
    ASSERT_NE(device_, nullptr);
    EXPECT_EQ(device_->Context, nullptr);
    EXPECT_NE(device_->Bag, nullptr);
    EXPECT_FALSE(device_->Started);
    EXPECT_EQ(device_->PhysicalDeviceObject, pdo_);
    EXPECT_EQ(device_->NextDeviceObject, pdo_);
    ASSERT_NE(device_->FunctionalDeviceObject, nullptr);
    EXPECT_EQ(device_->FunctionalDeviceObject->DriverObject, driver_->driverObject());
    EXPECT_EQ(pdo_->AttachedDevice, device_->FunctionalDeviceObject);
    EXPECT_EQ(KsGetDevice(device_), device_);
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add");
}

TEST_F(StreamingTest, StartMarksTheDeviceStartedAfterStartSucceeds) {
    startedDevice();
    EXPECT_TRUE(device_->Started);
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add Start PostStart");
    EXPECT_TRUE(toy::journal().allAtPassive);
}

TEST_F(StreamingTest, AFailedStartLeavesTheDeviceStopped) {
    addDevice();
    host::streaming::faults().failFilterFactories(STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(host::streaming::startDevice(device_), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_FALSE(device_->Started);
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add Start");
}

TEST_F(StreamingTest, RemovalOfAStartedDeviceStopsItFirst) {
    startedDevice();
    host::streaming::removeDevice(device_);
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add Start PostStart Stop Remove");
    EXPECT_EQ(pdo_->AttachedDevice, nullptr);
    EXPECT_TRUE(host::streaming::loadedDevices().empty());
}

TEST_F(StreamingTest, SurpriseRemovalCallsItsSlotAndRefusesNewFilters) {
    startedDevice();
    host::streaming::surpriseRemoveDevice(device_);
    NTSTATUS status = STATUS_SUCCESS;
    FilterHandle filter = FilterHandle::open(device_, "toy", &status);
    EXPECT_EQ(status, STATUS_DEVICE_REMOVED);
    host::streaming::removeDevice(device_);
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add Start PostStart SurpriseRemoval Stop Remove");
}

TEST_F(StreamingTest, StopClosesFiltersOfFreeOnStopFactoriesAndFreesThem) {
    FilterHandle filter = openToyFilter();
    host::streaming::stopDevice(device_);
    EXPECT_FALSE(device_->Started);
    EXPECT_EQ(toy::journal().text(),
              "DriverEntry Add Start PostStart Filter.Create Filter.Close Stop");
    EXPECT_EQ(
        filter.property(toy::kPropertySet, toy::kGain, KSPROPERTY_TYPE_GET, nullptr, 0).status,
        STATUS_INVALID_HANDLE);
    NTSTATUS status = STATUS_SUCCESS;
    FilterHandle again = FilterHandle::open(device_, "toy", &status);
    EXPECT_EQ(status, STATUS_OBJECT_NAME_NOT_FOUND);
    // Started again, the driver registers its factory again.
    EXPECT_EQ(host::streaming::startDevice(device_), STATUS_SUCCESS);
    again = FilterHandle::open(device_, "toy", &status);
    EXPECT_EQ(status, STATUS_SUCCESS);
}

TEST_F(StreamingTest, RemovalEmptiesTheDeviceBag) {
    toy::behaviour().bagItemsInAdd = true;
    addDevice();
    EXPECT_EQ(host::poolLedger().liveBlocks(host::poolTag("Toy ")), 2U);
    host::streaming::removeDevice(device_);
    EXPECT_EQ(toy::freedBagItems(), 1);
    EXPECT_EQ(host::poolLedger().liveBlocks(host::poolTag("Toy ")), 0U);
}

TEST_F(StreamingTest, AFailedAddLeavesNothingBehind) {
    toy::behaviour().addStatus = STATUS_DEVICE_DATA_ERROR;
    toy::behaviour().bagItemsInAdd = true;
    driver_ = std::make_unique<host::streaming::LoadedDriver>(toy::DriverEntry);
    EXPECT_EQ(driver_->addDevice(pdo_, &device_), STATUS_DEVICE_DATA_ERROR);
    EXPECT_TRUE(host::streaming::loadedDevices().empty());
    EXPECT_EQ(pdo_->AttachedDevice, nullptr);
    EXPECT_EQ(host::poolLedger().liveBlocks(host::poolTag("Toy ")), 0U);
}

TEST_F(StreamingTest, UnloadingTheDriverRemovesItsDevices) {
    startedDevice();
    driver_.reset();
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add Start PostStart Stop Remove");
}

TEST_F(StreamingTest, StartingAStartedDeviceIsAViolation) {
    startedDevice();
    host::ScopedViolationRecorder recorder;
    EXPECT_EQ(host::streaming::startDevice(device_), STATUS_INVALID_DEVICE_STATE);
    EXPECT_TRUE(recorder.contains("started"));
}

TEST_F(StreamingTest, PnpAbovePassiveLevelIsAViolation) {
    addDevice();
    host::ScopedViolationRecorder recorder;
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    EXPECT_EQ(host::streaming::startDevice(device_), STATUS_INVALID_DEVICE_STATE);
    KeLowerIrql(old);
    EXPECT_TRUE(recorder.contains("PASSIVE_LEVEL"));
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add");
}

}  // namespace
