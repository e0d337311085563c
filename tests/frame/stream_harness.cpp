#include "stream_harness.h"

#include <cstring>

#include <camera/brightness.h>

#include "pipeline/conversion_context.h"

namespace {

constexpr auto kFrameWait = std::chrono::seconds(10);

}  // namespace

void StreamTest::SetUp() {
    LedgerTest::SetUp();
    host::camera::SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    options.fixedFrame = fixedScene();
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

std::vector<std::uint8_t> StreamTest::expectedImage(const std::vector<std::uint8_t>& scene) {
    const CameraDevice* device = camera();
    // What the sensor delivers of the scene at the camera's exposure and gain.
    std::vector<std::uint8_t> raw = scene;
    host::camera::Brightness(simulatedCamera->currentExposure(), simulatedCamera->currentGain())
        .apply(raw.data(), raw.size());
    ConversionContext* context = nullptr;
    EXPECT_EQ(ConversionContext::Create(&context), STATUS_SUCCESS);
    context->setBayerPhase(2);
    context->setGeometry(static_cast<ULONG>(device->roiWidth),
                         static_cast<ULONG>(device->roiHeight));
    context->allocateWorkBuffer();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(device->roiWidth) *
                                    static_cast<std::size_t>(device->roiHeight) * 4);
    context->setOutputBuffer(image.data());
    const ULONG offset = static_cast<ULONG>(device->roiY) * 1280 + static_cast<ULONG>(device->roiX);
    context->convertFrame(raw.data(), offset, 1280);
    context->setOutputBuffer(nullptr);
    ConversionContext::Destroy(context);
    return image;
}

std::vector<std::uint8_t> StreamTest::fixedScene() {
    std::vector<std::uint8_t> raw(1280 * 960);
    for (std::size_t y = 0; y < 960; ++y) {
        for (std::size_t x = 0; x < 1280; ++x) {
            raw[y * 1280 + x] = static_cast<std::uint8_t>((x / 5 + y / 4) & 0xFF);
        }
    }
    // Blocks of one colour, on the sensor's RGGB layout (R at even row and
    // column): red, green and blue, 200 on their own sites, 20 elsewhere.
    auto block = [&](std::size_t left, int colour) {
        for (std::size_t y = 100; y < 300; ++y) {
            for (std::size_t x = left; x < left + 200; ++x) {
                const int site = (y % 2 == 0) ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2);
                raw[y * 1280 + x] = site == colour ? 200 : 20;
            }
        }
    };
    block(100, 0);
    block(400, 1);
    block(700, 2);
    return raw;
}
