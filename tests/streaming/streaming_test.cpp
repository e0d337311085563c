#include "streaming_test.h"

void StreamingTest::SetUp() {
    LedgerTest::SetUp();
    toy::reset();
    busDriver_ = host::createDriverObject();
    ASSERT_EQ(IoCreateDevice(busDriver_, 0, nullptr, FILE_DEVICE_BUS_EXTENDER, 0, FALSE, &pdo_),
              STATUS_SUCCESS);
}

void StreamingTest::TearDown() {
    driver_.reset();
    IoDeleteDevice(pdo_);
    host::deleteDriverObject(busDriver_);
    host::streaming::resetStreamingForTest();
    EXPECT_TRUE(host::streaming::loadedDevices().empty());
    LedgerTest::TearDown();
}

PKSDEVICE StreamingTest::addDevice() {
    driver_ = std::make_unique<host::streaming::LoadedDriver>(toy::DriverEntry);
    EXPECT_EQ(driver_->entryStatus(), STATUS_SUCCESS);
    EXPECT_EQ(driver_->addDevice(pdo_, &device_), STATUS_SUCCESS);
    return device_;
}

PKSDEVICE StreamingTest::startedDevice() {
    addDevice();
    EXPECT_EQ(host::streaming::startDevice(device_), STATUS_SUCCESS);
    return device_;
}

host::streaming::FilterHandle StreamingTest::openToyFilter() {
    startedDevice();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto filter = host::streaming::FilterHandle::open(device_, "toy", &status);
    EXPECT_EQ(status, STATUS_SUCCESS);
    return filter;
}
