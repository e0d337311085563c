// The settings store: clamps, the region of interest and the advertised
// format, and the mirrors of a stream's ConversionContext.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frame/video_format.h"
#include "pipeline/conversion_context.h"
#include "settings_fixture.h"

namespace {

TEST_F(SettingsTest, ChannelGainsAreClampedToOneThrough512) {
    device->setRedGain(0);
    EXPECT_EQ(device->getRedGain(), 1);
    device->setRedGain(-5);
    EXPECT_EQ(device->getRedGain(), 1);
    device->setRedGain(600);
    EXPECT_EQ(device->getRedGain(), 512);
    device->setGreenGain(INT32_MIN);
    EXPECT_EQ(device->getGreenGain(), 1);
    device->setBlueGain(INT32_MAX);
    EXPECT_EQ(device->getBlueGain(), 512);
    device->setBlueGain(77);
    EXPECT_EQ(device->getBlueGain(), 77);
}

TEST_F(SettingsTest, ToneSettingsAreClampedToTheirRanges) {
    device->setHue(360);
    EXPECT_EQ(device->getHue(), 359);
    device->setHue(-1);
    EXPECT_EQ(device->getHue(), 0);
    device->setBrightness(-3);
    EXPECT_EQ(device->getBrightness(), 0);
    device->setBrightness(511);
    EXPECT_EQ(device->getBrightness(), 510);
    device->setContrast(21);
    EXPECT_EQ(device->getContrast(), 20);
    device->setSaturation(-1);
    EXPECT_EQ(device->getSaturation(), 0);
    // Flags are stored as given.
    device->setColorEnable(-7);
    EXPECT_EQ(device->getColorEnable(), -7);
    device->setColorCorrection(0);
    EXPECT_EQ(device->getColorCorrection(), 0);
}

TEST_F(SettingsTest, GlobalGainTakesLargeAndNegativeValuesAsItsMaximum) {
    EXPECT_TRUE(device->setGlobalGain(2000));
    EXPECT_EQ(device->getGlobalGain(), 1023u);
    EXPECT_TRUE(device->setGlobalGain(static_cast<ULONG>(-4)));
    EXPECT_EQ(device->getGlobalGain(), 1023u);
    EXPECT_EQ(camera->currentGain(), 1023u);
}

TEST_F(SettingsTest, TheTimeOutIsAlsoTheProcessWideFrameTimeOut) {
    device->setTimeout(750);
    EXPECT_EQ(device->getTimeout(), 750u);
    EXPECT_EQ(GetFrameTimeoutMs(), 750u);
}

// ---- Region of interest ------------------------------------------------------

struct Region {
    LONG x, y, width, height;
};

Region RegionOf(const CameraDevice* d) {
    return {d->roiX, d->roiY, d->roiWidth, d->roiHeight};
}

MATCHER_P4(IsRegion, x, y, width, height, "") {
    return arg.x == x && arg.y == y && arg.width == width && arg.height == height;
}

TEST_F(SettingsTest, RegionOriginsBecomeEvenAndSizesFitTheSensor) {
    device->setRegionOfInterest(3, 5, 100, 100, 0);
    EXPECT_THAT(RegionOf(device), IsRegion(4, 6, 100, 100));
    EXPECT_EQ(device->outputWidth, 96);
    EXPECT_EQ(device->outputHeight, 100);

    device->setRegionOfInterest(1279, 0, 10, 0, 0);  // x 1280, then 1272
    EXPECT_THAT(RegionOf(device), IsRegion(1272, 0, 8, 960));

    device->setRegionOfInterest(0, 900, 1280, 200, 0);
    EXPECT_THAT(RegionOf(device), IsRegion(0, 900, 1280, 60));

    device->setRegionOfInterest(200, 0, 0, 0, 0);  // width 0: the rest of the row
    EXPECT_THAT(RegionOf(device), IsRegion(200, 0, 1080, 960));

    device->setRegionOfInterest(-1, -3, -5, 5000, 7);
    EXPECT_THAT(RegionOf(device), IsRegion(0, 0, 1280, 960));
    EXPECT_EQ(device->subSample, 0u);
    EXPECT_EQ(device->windowWidth, 1280);
    EXPECT_EQ(device->windowHeight, 960);
}

TEST_F(SettingsTest, TheAdvertisedFormatFollowsTheRegion) {
    device->setRegionOfInterest(0, 0, 1000, 600, 0);
    const KS_DATARANGE_VIDEO* range = VideoDataRange();
    EXPECT_EQ(range->DataRange.SampleSize, 2400000u);
    EXPECT_EQ(range->VideoInfoHeader.bmiHeader.biSizeImage, 2400000u);
    EXPECT_EQ(range->VideoInfoHeader.bmiHeader.biWidth, 1000);
    EXPECT_EQ(range->VideoInfoHeader.bmiHeader.biHeight, 600);
    EXPECT_EQ(range->ConfigCaps.MaxOutputSize.cx, 1000);
    EXPECT_EQ(range->VideoInfoHeader.rcSource.right, 1000);
    EXPECT_EQ(range->VideoInfoHeader.AvgTimePerFrame, 333333);
    EXPECT_EQ(range->ConfigCaps.MinFrameInterval, 333333);
    EXPECT_EQ(range->ConfigCaps.MaxFrameInterval, 333333);
    EXPECT_EQ(range->VideoInfoHeader.dwBitRate, 1000u * 600u * 120u);
    EXPECT_EQ(range->ConfigCaps.MaxBitsPerSecond, 1000 * 600 * 30 * 32);

    device->setRegionOfInterest(0, 0, 1003, 600, 0);
    EXPECT_EQ(device->outputWidth, 1000);
    EXPECT_EQ(range->VideoInfoHeader.bmiHeader.biWidth, 1000);

    device->setRegionOfInterest(0, 0, 1280, 960, 0);
    EXPECT_EQ(range->DataRange.SampleSize, 4915200u);
    EXPECT_EQ(range->ConfigCaps.MinBitsPerSecond, 1179648000);
    EXPECT_EQ(range->VideoInfoHeader.dwBitRate, 147456000u);
}

TEST_F(SettingsTest, NoRegionChangeWhileAPinIsOpen) {
    device->setRegionOfInterest(8, 8, 640, 480, 0);
    device->setPinOpen(1);
    EXPECT_EQ(device->isPinOpen(), 1);
    const ULONG advertised = VideoDataRange()->DataRange.SampleSize;
    device->setRegionOfInterest(0, 0, 100, 100, 0);
    EXPECT_THAT(RegionOf(device), IsRegion(8, 8, 640, 480));
    EXPECT_EQ(VideoDataRange()->DataRange.SampleSize, advertised);
    device->setPinOpen(0);
    device->setRegionOfInterest(0, 0, 100, 100, 0);
    EXPECT_THAT(RegionOf(device), IsRegion(0, 0, 100, 100));
}

// ---- Mirrors of a stream's conversion -----------------------------------------

class StreamSettingsTest : public SettingsTest {
  protected:
    void SetUp() override {
        SettingsTest::SetUp();
        ASSERT_EQ(ConversionContext::Create(&context), STATUS_SUCCESS);
    }
    void TearDown() override {
        // Attached or not, the test's context (if it still has one) goes.
        ConversionContext* detached = device->detachConversion();
        ConversionContext::Destroy(detached != nullptr ? detached : context);
        SettingsTest::TearDown();
    }
    void attach() { device->attachConversion(context); }
    ConversionContext* context = nullptr;
};

TEST_F(StreamSettingsTest, AttachingHandsTheStoredSettingsToTheConversion) {
    device->setWhiteBalance(1);
    device->setColorEnable(0);
    device->setRedGain(200);
    device->setGreenGain(100);
    device->setBlueGain(50);
    device->setHue(90);
    device->setColorCorrection(0);
    attach();
    EXPECT_EQ(context->getWhiteBalance(), 1);
    EXPECT_EQ(context->getBayerPhase(), 2);
    EXPECT_EQ(context->getColorEnable(), 0);
    EXPECT_EQ(context->getRedGain(), 200);
    EXPECT_EQ(context->getGreenGain(), 100);
    EXPECT_EQ(context->getBlueGain(), 50);
    EXPECT_EQ(context->getHue(), 90);
    EXPECT_EQ(context->getColorCorrection(), 0);
    EXPECT_EQ(context->getBrightness(), 255);
}

TEST_F(StreamSettingsTest, SettersMirrorAndToneSettersRecomputeTheMatrix) {
    attach();
    LONG before[4][4];
    context->readColorMatrix(before);
    device->setRedGain(600);
    EXPECT_EQ(context->getRedGain(), 512);
    device->setBrightness(400);
    EXPECT_EQ(context->getBrightness(), 400);
    LONG after[4][4];
    context->readColorMatrix(after);
    EXPECT_NE(before[3][0], after[3][0]) << "the brightness offset row changed";
}

TEST_F(StreamSettingsTest, GettersReportTheAutomaticGainsWhileAStreamRuns) {
    device->setWhiteBalance(1);
    attach();
    context->setRedGain(301);  // as the white balance measurement does
    context->setBlueGain(77);
    EXPECT_EQ(device->getRedGain(), 301);
    EXPECT_EQ(device->getBlueGain(), 77);
}

TEST_F(StreamSettingsTest, SwitchingWhiteBalanceOffKeepsTheAutomaticGains) {
    device->setWhiteBalance(1);
    attach();
    context->setRedGain(301);
    context->setGreenGain(120);
    context->setBlueGain(77);
    device->setWhiteBalance(0);
    EXPECT_EQ(context->getWhiteBalance(), 0);
    // The store itself took them (a save writes the fields, not the getters).
    EXPECT_EQ(device->redGain, 301);
    EXPECT_EQ(device->greenGain, 120);
    EXPECT_EQ(device->blueGain, 77);
}

TEST_F(StreamSettingsTest, WithoutAStreamGettersReturnTheStoredValues) {
    device->setRedGain(90);
    attach();
    context->setRedGain(301);
    ConversionContext* detached = device->detachConversion();
    EXPECT_EQ(detached, context);
    ConversionContext::Destroy(detached);
    context = nullptr;
    // The last get while streaming would have refreshed it; none ran.
    EXPECT_EQ(device->getRedGain(), 90);
    device->setRedGain(95);  // only the store changes now
    EXPECT_EQ(device->getRedGain(), 95);
}

}  // namespace
