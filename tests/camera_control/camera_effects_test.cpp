// Settings programmed through the camera device act on the frames it then
// reads: exposure brightens them, the external trigger holds them.
#include <gtest/gtest.h>

#include <future>
#include <numeric>

#include "camera_device_harness.h"
#include "settings/frame_timeout.h"

namespace {

class CameraEffectsTest : public CameraDeviceTest {
  protected:
    std::uint64_t readFrameSum() {
        std::vector<UCHAR> frame(1228800);
        UCHAR ok = 0;
        EXPECT_EQ(device->ReadFrame(frame.data(), &ok), 1);
        return std::accumulate(frame.begin(), frame.end(), std::uint64_t{0});
    }

    void TearDown() override {
        SetFrameTimeoutMs(kDefaultFrameTimeoutMs);
        CameraDeviceTest::TearDown();
    }
};

TEST_F(CameraEffectsTest, LongerExposureGivesBrighterFrames) {
    ASSERT_TRUE(device->InitializeCamera());
    device->setExposure(3);
    const std::uint64_t dim = readFrameSum();
    device->setExposure(600);
    const std::uint64_t bright = readFrameSum();
    EXPECT_GT(bright, dim);
    EXPECT_EQ(camera->currentExposure(), 600u);
}

TEST_F(CameraEffectsTest, TheExternalTriggerHoldsTheFrameUntilTriggered) {
    ASSERT_TRUE(device->InitializeCamera());
    ASSERT_TRUE(device->setExTrigger(true));
    EXPECT_TRUE(camera->externalTriggerOn());
    SetFrameTimeoutMs(60000);
    std::vector<UCHAR> frame(1228800);
    auto read = std::async(std::launch::async, [&] {
        UCHAR ok = 0;
        return device->ReadFrame(frame.data(), &ok);
    });
    camera->trigger();  // holds or latches: either way one frame goes
    ASSERT_EQ(read.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(read.get(), 1);
}

}  // namespace
