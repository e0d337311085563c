#include "pipeline_settings.h"

#include <climits>

#include "support/ledger_test.h"

namespace {

class PipelineSettingsTest : public LedgerTest {};

TEST_F(PipelineSettingsTest, GainsAreCappedAt512AndKeptPositive) {
    EXPECT_EQ(clampGain(513), 512);
    EXPECT_EQ(clampGain(INT_MAX), 512);
    EXPECT_EQ(clampGain(512), 512);
    EXPECT_EQ(clampGain(1), 1);
    EXPECT_EQ(clampGain(0), 1);
    EXPECT_EQ(clampGain(INT_MIN), 1);
}

TEST_F(PipelineSettingsTest, ToneSettingsAreHeldToTheirRanges) {
    EXPECT_EQ(clampBrightness(-1), 0);
    EXPECT_EQ(clampBrightness(511), 510);
    EXPECT_EQ(clampBrightness(300), 300);
    EXPECT_EQ(clampContrast(-5), 0);
    EXPECT_EQ(clampContrast(21), 20);
    EXPECT_EQ(clampSaturation(-5), 0);
    EXPECT_EQ(clampSaturation(21), 20);
    EXPECT_EQ(clampSaturation(13), 13);
}

TEST_F(PipelineSettingsTest, HueStaysWithinOneTurn) {
    EXPECT_EQ(clampHue(-1), 0);
    EXPECT_EQ(clampHue(359), 359);
    EXPECT_EQ(clampHue(360), 359);
    EXPECT_EQ(clampHue(720), 359);
}

TEST_F(PipelineSettingsTest, SwitchesAndPhasePassUnchanged) {
    PipelineSettings s;
    s.phase = 7;
    s.color = -3;
    s.whiteBalance = 5;
    s.colorCorrection = 2;
    s.redGain = 0;
    s.hue = 400;
    const PipelineSettings c = clampSettings(s);
    EXPECT_EQ(c.phase, 7);
    EXPECT_EQ(c.color, -3);
    EXPECT_EQ(c.whiteBalance, 5);
    EXPECT_EQ(c.colorCorrection, 2);
    EXPECT_EQ(c.redGain, 1);
    EXPECT_EQ(c.hue, 359);
}

TEST_F(PipelineSettingsTest, DefaultsAreTheDrivers) {
    const PipelineSettings s;
    EXPECT_EQ(s.phase, 2);
    EXPECT_EQ(s.color, 1);
    EXPECT_EQ(s.whiteBalance, 0);
    EXPECT_EQ(s.redGain, 128);
    EXPECT_EQ(s.greenGain, 128);
    EXPECT_EQ(s.blueGain, 128);
    EXPECT_EQ(s.colorCorrection, 1);
    EXPECT_EQ(s.brightness, 255);
    EXPECT_EQ(s.contrast, 10);
    EXPECT_EQ(s.saturation, 10);
    EXPECT_EQ(s.hue, 0);
}

}  // namespace
