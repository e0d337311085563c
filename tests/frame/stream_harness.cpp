#include "stream_harness.h"

#include <cstring>

namespace {

constexpr auto kFrameWait = std::chrono::seconds(10);

}  // namespace

void StreamTest::SetUp() {
    LedgerTest::SetUp();
    host::camera::SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    simulatedCamera = std::make_unique<host::camera::SimulatedCamera>(options);
    bus = std::make_unique<host::usb::UsbBus>(*simulatedCamera);
    driver = std::make_unique<host::streaming::LoadedDriver>(DriverEntry);
    ASSERT_EQ(driver->entryStatus(), STATUS_SUCCESS);
    plugIn();
    filter = openFilter();
}

void StreamTest::TearDown() {
    filter.close();
    DriverTest::TearDown();
}

host::streaming::PinHandle StreamTest::createPin(host::streaming::FilterHandle& onFilter) {
    format = negotiatedFormat(onFilter);
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto pin = onFilter.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
    EXPECT_EQ(status, STATUS_SUCCESS);
    return pin;
}

ULONG StreamTest::imageBytes() const {
    return reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(format.data())
        ->VideoInfoHeader.bmiHeader.biSizeImage;
}

std::vector<host::streaming::CapturedFrame> StreamTest::capture(host::streaming::PinHandle& pin,
                                                                std::size_t count) {
    std::vector<host::streaming::CapturedFrame> frames;
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(pin.submitFrame(imageBytes()), STATUS_SUCCESS);
        host::streaming::CapturedFrame frame{};
        if (!pin.waitForFrame(&frame, kFrameWait)) {
            ADD_FAILURE() << "frame " << i << " did not arrive";
            break;
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}
