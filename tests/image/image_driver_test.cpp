// The kernel image run as Windows runs it, on the stand-in with the
// simulated camera on the bus: DriverEntry, AddDevice, start, a filter and
// its property set, a few frames through the image's capture thread, stop
// and removal; then the pool ledger balances.
#include <gtest/gtest.h>

#include <camera/simulated_camera.h>
#include <image/kernel_image.h>
#include <streaming/ks_client.h>
#include <streaming/streaming_host.h>
#include <usb/usb_bus.h>

#include "frame/stream_guids.h"
#include "image_file.h"
#include "settings/camera_property_ids.h"
#include "support/ledger_test.h"

namespace {

constexpr auto kFrameWait = std::chrono::seconds(10);

class ImageDriverTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        if (!kernelImagePath()) {
            return;
        }
        image = host::image::KernelImage::load(*kernelImagePath());
        host::camera::SimulatedCameraOptions options;
        options.pacing = host::camera::FramePacing::kAsFastAsPossible;
        camera = std::make_unique<host::camera::SimulatedCamera>(options);
        bus = std::make_unique<host::usb::UsbBus>(*camera);
        driver = std::make_unique<host::streaming::LoadedDriver>(image->entryPoint());
    }
    void TearDown() override {
        driver.reset();  // removes a device still plugged in, then unloads
        bus.reset();
        camera.reset();
        host::streaming::resetStreamingForTest();
        image.reset();
        LedgerTest::TearDown();
    }

    // The format an application asks for: the pin's range intersected with
    // itself.
    static std::vector<std::uint8_t> negotiatedFormat(const host::streaming::FilterHandle& filter) {
        std::vector<std::uint8_t> ranges;
        EXPECT_EQ(filter.dataRanges(0, ranges), STATUS_SUCCESS);
        if (ranges.size() < sizeof(KSMULTIPLE_ITEM) + sizeof(KS_DATARANGE_VIDEO)) {
            ADD_FAILURE() << "no range in " << ranges.size() << " bytes";
            return {};
        }
        const std::vector<std::uint8_t> range(
            ranges.begin() + sizeof(KSMULTIPLE_ITEM),
            ranges.begin() + sizeof(KSMULTIPLE_ITEM) + sizeof(KS_DATARANGE_VIDEO));
        std::vector<std::uint8_t> format;
        EXPECT_EQ(filter.intersect(0, {range}, format), STATUS_SUCCESS);
        return format;
    }

    std::unique_ptr<host::image::KernelImage> image;
    std::unique_ptr<host::camera::SimulatedCamera> camera;
    std::unique_ptr<host::usb::UsbBus> bus;
    std::unique_ptr<host::streaming::LoadedDriver> driver;
};

TEST_F(ImageDriverTest, LoadsStartsAnswersPropertiesStreamsAndStops) {
    SKIP_WITHOUT_KERNEL_IMAGE();
    ASSERT_EQ(driver->entryStatus(), STATUS_SUCCESS);
    PKSDEVICE device = nullptr;
    ASSERT_EQ(driver->addDevice(bus->deviceObject(), &device), STATUS_SUCCESS);
    ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);

    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto filter = host::streaming::FilterHandle::open(device, "GLOBAL", &status);
    ASSERT_EQ(status, STATUS_SUCCESS);
    LONG width = 0;
    EXPECT_EQ(filter.getLong(kCameraSettingsPropertySet, CAMPROP_SENSOR_WIDTH, &width),
              STATUS_SUCCESS);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(filter.setLong(kCameraSettingsPropertySet, CAMPROP_EXPOSURE, 200), STATUS_SUCCESS);
    LONG exposure = 0;
    EXPECT_EQ(filter.getLong(kCameraSettingsPropertySet, CAMPROP_EXPOSURE, &exposure),
              STATUS_SUCCESS);
    EXPECT_EQ(exposure, 200);

    const std::vector<std::uint8_t> format = negotiatedFormat(filter);
    ASSERT_FALSE(format.empty());
    auto pin = filter.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
    ASSERT_EQ(status, STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    const ULONG imageBytes = reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(format.data())
                                 ->VideoInfoHeader.bmiHeader.biSizeImage;
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_EQ(pin.submitFrame(imageBytes), STATUS_SUCCESS);
        host::streaming::CapturedFrame captured{};
        ASSERT_TRUE(pin.waitForFrame(&captured, kFrameWait)) << "frame " << frame;
        EXPECT_EQ(captured.status, STATUS_SUCCESS);
        EXPECT_EQ(captured.dataUsed, imageBytes);
    }
    EXPECT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    pin.close();
    filter.close();
    host::streaming::stopDevice(device);
    host::streaming::removeDevice(device);
    EXPECT_TRUE(host::streaming::loadedDevices().empty());
}

}  // namespace
