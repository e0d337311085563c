#include "blackbox_harness.h"

#include <cstring>

#include <camera/brightness.h>

#include "frame/stream_guids.h"
#include "frame/video_format.h"
#include "pipeline/conversion_context.h"
#include "settings/frame_timeout.h"

namespace {

constexpr auto kFrameWait = std::chrono::seconds(10);
constexpr ULONG kSensorWidth = 1280;

}  // namespace

// ---- CameraSettings ---------------------------------------------------------

const GUID& CameraSettings::propertySet() {
    return kCameraSettingsPropertySet;
}

NTSTATUS CameraSettings::get(ULONG id, LONG* value) const {
    return filter_.getLong(kCameraSettingsPropertySet, id, value);
}

LONG CameraSettings::get(ULONG id) const {
    LONG value = -12345;
    EXPECT_EQ(get(id, &value), STATUS_SUCCESS) << "property " << id;
    return value;
}

NTSTATUS CameraSettings::set(ULONG id, LONG value) const {
    return filter_.setLong(kCameraSettingsPropertySet, id, value);
}

NTSTATUS CameraSettings::setRegion(LONG x, LONG y, LONG width, LONG height) const {
    CameraRoiPayload region{};
    region.x = x;
    region.y = y;
    region.width = width;
    region.height = height;
    return send(CAMPROP_ROI, KSPROPERTY_TYPE_SET, &region);
}

// ---- BlackBoxTest -------------------------------------------------------------

void BlackBoxTest::SetUp() {
    LedgerTest::SetUp();
    underTest = std::make_unique<DriverUnderTest>();
    ASSERT_NE(underTest->entry(), nullptr);
    simulatedCamera = std::make_unique<host::camera::SimulatedCamera>(cameraOptions());
    bus = std::make_unique<host::usb::UsbBus>(*simulatedCamera);
    driver = std::make_unique<host::streaming::LoadedDriver>(underTest->entry());
    ASSERT_EQ(driver->entryStatus(), STATUS_SUCCESS) << underTest->description();
}

void BlackBoxTest::TearDown() {
    driver.reset();  // removes a device still plugged in, then unloads
    bus.reset();
    simulatedCamera.reset();
    const bool onImage = underTest != nullptr && underTest->isImage();
    underTest.reset();
    host::streaming::resetStreamingForTest();
    if (!onImage) {
        // The host build's driver is linked in: its process-wide time-out
        // and shared data range outlive the test. An image is mapped afresh
        // for every test.
        SetFrameTimeoutMs(kDefaultFrameTimeoutMs);
        UpdateVideoFormat(1280, 960, 30);
    }
    LedgerTest::TearDown();
}

host::camera::SimulatedCameraOptions BlackBoxTest::cameraOptions() const {
    host::camera::SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    return options;
}

void BlackBoxTest::plugIn(bool start) {
    ASSERT_EQ(driver->addDevice(bus->deviceObject(), &device), STATUS_SUCCESS);
    if (start) {
        ASSERT_EQ(host::streaming::startDevice(device), STATUS_SUCCESS);
    }
}

host::streaming::FilterHandle BlackBoxTest::openFilter(NTSTATUS expected) {
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto filter = host::streaming::FilterHandle::open(device, "GLOBAL", &status);
    EXPECT_EQ(status, expected);
    return filter;
}

KS_DATARANGE_VIDEO BlackBoxTest::advertisedRange(const host::streaming::FilterHandle& filter) {
    Bytes ranges;
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

Bytes BlackBoxTest::negotiatedFormat(const host::streaming::FilterHandle& filter) {
    const KS_DATARANGE_VIDEO range = advertisedRange(filter);
    Bytes callerRange(sizeof(range));
    std::memcpy(callerRange.data(), &range, sizeof(range));
    Bytes format;
    EXPECT_EQ(filter.intersect(0, {callerRange}, format), STATUS_SUCCESS);
    return format;
}

// ---- FilterBlackBoxTest -------------------------------------------------------

void FilterBlackBoxTest::SetUp() {
    BlackBoxTest::SetUp();
    if (HasFatalFailure()) {
        return;
    }
    plugIn();
    filter = openFilter();
}

void FilterBlackBoxTest::TearDown() {
    filter.close();
    BlackBoxTest::TearDown();
}

// ---- StreamBlackBoxTest -------------------------------------------------------

host::camera::SimulatedCameraOptions StreamBlackBoxTest::cameraOptions() const {
    host::camera::SimulatedCameraOptions options = BlackBoxTest::cameraOptions();
    options.fixedFrame = fixedScene();
    return options;
}

host::streaming::PinHandle StreamBlackBoxTest::createPin(host::streaming::FilterHandle& onFilter) {
    format = negotiatedFormat(onFilter);
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto pin = onFilter.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
    EXPECT_EQ(status, STATUS_SUCCESS);
    return pin;
}

ULONG StreamBlackBoxTest::imageBytes() const {
    return reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(format.data())
        ->VideoInfoHeader.bmiHeader.biSizeImage;
}

std::vector<host::streaming::CapturedFrame> StreamBlackBoxTest::capture(
    host::streaming::PinHandle& pin, std::size_t count) {
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

Bytes StreamBlackBoxTest::fixedScene() {
    Bytes raw(1280 * 960);
    for (std::size_t y = 0; y < 960; ++y) {
        for (std::size_t x = 0; x < 1280; ++x) {
            raw[y * 1280 + x] = static_cast<std::uint8_t>((x / 5 + y / 4) & 0xFF);
        }
    }
    // Red, green and blue blocks: 200 on their own sites, 20 elsewhere
    // (R at even row and column).
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

Bytes StreamBlackBoxTest::expectedImage(ULONG x, ULONG y, ULONG width, ULONG height) const {
    // What the sensor delivers of the scene at the camera's exposure and gain.
    Bytes raw = fixedScene();
    host::camera::Brightness(simulatedCamera->currentExposure(), simulatedCamera->currentGain())
        .apply(raw.data(), raw.size());
    ConversionContext* context = nullptr;
    EXPECT_EQ(ConversionContext::Create(&context), STATUS_SUCCESS);
    if (context == nullptr) {
        return {};
    }
    context->setBayerPhase(2);
    context->setGeometry(width, height);
    context->allocateWorkBuffer();
    Bytes image(static_cast<std::size_t>(width) * height * 4);
    context->setOutputBuffer(image.data());
    context->convertFrame(raw.data(), y * kSensorWidth + x, kSensorWidth);
    context->setOutputBuffer(nullptr);
    ConversionContext::Destroy(context);
    return image;
}

Bytes StreamBlackBoxTest::topRowFirst(const Bytes& data, std::size_t width, std::size_t height) {
    Bytes image(data.size());
    const std::size_t row = width * 4;
    for (std::size_t y = 0; y < height && (y + 1) * row <= data.size(); ++y) {
        std::memcpy(&image[y * row], &data[(height - 1 - y) * row], row);
    }
    return image;
}
