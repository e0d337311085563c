// Exposure and gain acting on frames: the brightness rule itself, and the
// frames the camera sends as the registers change.
#include <algorithm>

#include <camera/brightness.h>
#include <camera/camera_scene.h>
#include <camera/colour_chart.h>
#include <camera/exposure_registers.h>
#include <camera/frame_counter_code.h>
#include <camera/frame_geometry.h>
#include <camera/grey_ramps.h>

#include "camera_test.h"
#include "register_settings.h"

namespace {

using namespace host::camera;

TEST(BrightnessRuleTest, ReferenceAndUnprogrammedAreUnity) {
    EXPECT_EQ(brightnessFactor(kReferenceExposure, kReferenceGain), 1.0);
    EXPECT_TRUE(Brightness(kReferenceExposure, kReferenceGain).unity());
    for (unsigned gain : {0U, 450U, 1023U}) {
        EXPECT_TRUE(Brightness(kUnprogrammedExposure, gain).unity()) << gain;
    }
    const Brightness unity;
    for (unsigned level = 0; level < 256; ++level) {
        EXPECT_EQ(unity.scale(static_cast<std::uint8_t>(level)), level);
        EXPECT_EQ(
            Brightness(kReferenceExposure, kReferenceGain).scale(static_cast<std::uint8_t>(level)),
            level);
    }
}

TEST(BrightnessRuleTest, RisesWithExposureAndWithGain) {
    for (unsigned gain = 0; gain <= kMaxGlobalGain; gain += 31) {
        for (unsigned exposure = kShortestExposure; exposure < kSpecialExposureLong; ++exposure) {
            ASSERT_LT(brightnessFactor(exposure, gain), brightnessFactor(exposure + 1, gain))
                << exposure << " " << gain;
            ASSERT_LT(brightnessFactor(exposure, gain), brightnessFactor(exposure, gain + 1))
                << exposure << " " << gain;
        }
    }
    // The special exposures are the longest of all.
    EXPECT_GT(brightnessFactor(kSpecialExposureShort, 0),
              brightnessFactor(kLongestCountedExposure, 0));
}

TEST(BrightnessRuleTest, SamplesScaleMonotonicallyAndSaturate) {
    const Brightness dark(kShortestExposure, 0);
    const Brightness bright(kLongestCountedExposure, kMaxGlobalGain);
    for (unsigned level = 1; level < 256; ++level) {
        const auto s = static_cast<std::uint8_t>(level);
        EXPECT_LE(dark.scale(static_cast<std::uint8_t>(level - 1)), dark.scale(s));
        EXPECT_LT(dark.scale(s), s);
        EXPECT_EQ(bright.scale(s), 255);
    }
    EXPECT_EQ(bright.scale(0), 0);
}

class BrightnessTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        makeCamera(fastOptions());
    }
    std::vector<std::uint8_t> captureFrame() {
        requestFrame();
        return readWholeFrame();
    }
    // The mean sample of `rect`.
    static double mean(const std::vector<std::uint8_t>& frame, PixelRect rect) {
        double sum = 0;
        for (int y = rect.y; y < rect.y + rect.height; ++y) {
            for (int x = rect.x; x < rect.x + rect.width; ++x) {
                sum += frame[static_cast<std::size_t>(y) * kFrameWidth + x];
            }
        }
        return sum / (rect.width * rect.height);
    }
    // The smooth ramp and a mid-grey chart patch: both rise until they
    // saturate.
    static double rampMean(const std::vector<std::uint8_t>& frame) {
        return mean(frame, kSmoothRampBand);
    }
    static double patchMean(const std::vector<std::uint8_t>& frame) {
        return mean(frame, chartPatchRect(kGreyPatch));
    }
    static constexpr int kGreyPatch = 21;  // the neutral 6.5 patch
};

TEST_F(BrightnessTest, UntouchedCameraShowsThePlainScene) {
    const auto frame = captureFrame();
    ASSERT_EQ(frame.size(), kFrameBytes);
    std::vector<std::uint8_t> scene(kFrameBytes);
    CameraScene().render(0, scene.data());
    EXPECT_TRUE(frame == scene);
}

TEST_F(BrightnessTest, ReferenceSettingsShowThePlainScene) {
    sendAll(startupExposurePackets());
    sendAll(globalGainPackets(kReferenceGain));
    const auto frame = captureFrame();
    std::vector<std::uint8_t> scene(kFrameBytes);
    CameraScene().render(0, scene.data());
    EXPECT_TRUE(frame == scene);
}

TEST_F(BrightnessTest, MoreExposureGivesABrighterFrame) {
    sendAll(startupExposurePackets());
    sendAll(globalGainPackets(0));
    double previousRamp = -1;
    double previousPatch = -1;
    for (unsigned count : {3U, 5U, 8U}) {
        sendAll(exposureCountPackets(count));
        const auto frame = captureFrame();
        EXPECT_GT(rampMean(frame), previousRamp) << count;
        EXPECT_GT(patchMean(frame), previousPatch) << count;
        previousRamp = rampMean(frame);
        previousPatch = patchMean(frame);
    }
    sendAll(enterSpecialExposurePackets(kSpecialExposureLong));
    EXPECT_GT(rampMean(captureFrame()), previousRamp);
}

TEST_F(BrightnessTest, MoreGainGivesABrighterFrame) {
    sendAll(startupExposurePackets());
    double previousRamp = -1;
    double previousPatch = -1;
    for (unsigned gain : {0U, 300U, 700U, 1023U}) {
        sendAll(globalGainPackets(gain));
        const auto frame = captureFrame();
        EXPECT_GT(rampMean(frame), previousRamp) << gain;
        EXPECT_GT(patchMean(frame), previousPatch) << gain;
        previousRamp = rampMean(frame);
        previousPatch = patchMean(frame);
    }
}

TEST_F(BrightnessTest, FrameNumberReadsBackAtAnyBrightness) {
    sendAll(startupExposurePackets());
    sendAll(globalGainPackets(0));
    sendAll(exposureCountPackets(kShortestExposure));
    EXPECT_EQ(readFrameCounter(captureFrame().data()), 0U);
    sendAll(enterSpecialExposurePackets(kSpecialExposureLong));
    sendAll(globalGainPackets(kMaxGlobalGain));
    const auto white = captureFrame();
    EXPECT_EQ(readFrameCounter(white.data()), 1U);
    EXPECT_EQ(mean(white, chartPatchRect(kGreyPatch)), 255.0);
}

TEST_F(BrightnessTest, FixedImageIsScaledToo) {
    auto options = fastOptions();
    options.fixedFrame.assign(kFrameBytes, 100);
    makeCamera(options);
    EXPECT_EQ(captureFrame().front(), 100);
    sendAll(startupExposurePackets());
    sendAll(globalGainPackets(0));
    const auto frame = captureFrame();
    const std::uint8_t expected = Brightness(4, 0).scale(100);
    EXPECT_LT(expected, 100);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), expected),
              static_cast<std::ptrdiff_t>(kFrameBytes));
}

}  // namespace
