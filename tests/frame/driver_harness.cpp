#include "driver_harness.h"

#include <cstring>

#include "settings/frame_timeout.h"

void DriverTest::SetUp() {
    LedgerTest::SetUp();
    host::camera::SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    simulatedCamera = std::make_unique<host::camera::SimulatedCamera>(options);
    bus = std::make_unique<host::usb::UsbBus>(*simulatedCamera);
    driver = std::make_unique<host::streaming::LoadedDriver>(DriverEntry);
    ASSERT_EQ(driver->entryStatus(), STATUS_SUCCESS);
}

void DriverTest::TearDown() {
    driver.reset();  // removes a device still plugged in
    bus.reset();
    simulatedCamera.reset();
    host::streaming::resetStreamingForTest();
    SetFrameTimeoutMs(kDefaultFrameTimeoutMs);
    LedgerTest::TearDown();
}

void DriverTest::plugIn(bool start) {
    ASSERT_EQ(driver->addDevice(bus->deviceObject(), &device), STATUS_SUCCESS);
    if (start) {
        ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);
    }
}

CameraDevice* DriverTest::camera() const {
    return static_cast<CameraDevice*>(device->Context);
}

host::streaming::FilterHandle DriverTest::openFilter(NTSTATUS expected) {
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto filter = host::streaming::FilterHandle::open(device, "GLOBAL", &status);
    EXPECT_EQ(status, expected);
    return filter;
}

KS_DATARANGE_VIDEO DriverTest::advertisedRange(const host::streaming::FilterHandle& filter) {
    std::vector<std::uint8_t> ranges;
    EXPECT_EQ(filter.dataRanges(0, ranges), STATUS_SUCCESS);
    KS_DATARANGE_VIDEO range{};
    // A KSMULTIPLE_ITEM header (8 bytes, padded to 8), then the one range.
    if (ranges.size() >= sizeof(KSMULTIPLE_ITEM) + sizeof(range)) {
        std::memcpy(&range, ranges.data() + sizeof(KSMULTIPLE_ITEM), sizeof(range));
    } else {
        ADD_FAILURE() << "no range in " << ranges.size() << " bytes";
    }
    return range;
}

std::vector<std::uint8_t> DriverTest::negotiatedFormat(
    const host::streaming::FilterHandle& filter) {
    const KS_DATARANGE_VIDEO range = advertisedRange(filter);
    std::vector<std::uint8_t> callerRange(sizeof(range));
    std::memcpy(callerRange.data(), &range, sizeof(range));
    std::vector<std::uint8_t> format;
    EXPECT_EQ(filter.intersect(0, {callerRange}, format), STATUS_SUCCESS);
    return format;
}
