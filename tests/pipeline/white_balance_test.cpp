// Grey-world white balance as measured on every frame.
#include <gtest/gtest.h>

#include "conversion_harness.h"
#include "kernel/host_kernel.h"
#include "support/ledger_test.h"

namespace {

struct Gains {
    LONG r, g, b;
    bool operator==(const Gains&) const = default;
};

class WhiteBalanceTest : public LedgerTest {
  protected:
    static Gains measured(Conversion& c, const RawImage& raw) {
        c->setWhiteBalance(1);
        c.convert(raw);
        return {c->getRedGain(), c->getGreenGain(), c->getBlueGain()};
    }
};

TEST_F(WhiteBalanceTest, FlatColourSceneComesOutGrey) {
    Conversion c(16, 8);
    const int32_t identity[4][4] = {{64, 0, 0, 0}, {0, 64, 0, 0}, {0, 0, 64, 0}, {0, 0, 0, 64}};
    c.publishMatrix(identity);
    // The measured gains already apply to the frame they came from.
    EXPECT_EQ(measured(c, sceneRaw(16, 8, 2, 200, 100, 50)), (Gains{64, 128, 256}));
    EXPECT_EQ(c.pixel(3, 3), (Bgrx{100, 100, 100, 255}));
}

TEST_F(WhiteBalanceTest, NeutralGreyKeepsUnityWhateverTheGainsWere) {
    Conversion c(16, 8);
    c->setRedGain(7);
    c->setGreenGain(300);
    c->setBlueGain(512);
    EXPECT_EQ(measured(c, flatRaw(16, 8, 90)), (Gains{128, 128, 128}));
}

TEST_F(WhiteBalanceTest, APartialLastStepCountsOnlyPixelsInside) {
    // A scene with different colours past column 24 must not leak into a
    // 24-wide measurement.
    RawImage raw = sceneRaw(32, 8, 2, 200, 100, 50);
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 24; x < 32; ++x) raw.at(x, y) = 255;
    RawImage narrowCopy = sceneRaw(24, 8, 2, 200, 100, 50);
    Conversion wide(32, 8), narrow(24, 8), exact(24, 8);
    EXPECT_EQ(measured(narrow, raw), measured(exact, narrowCopy));
    EXPECT_EQ(measured(wide, sceneRaw(32, 8, 2, 200, 100, 50)), (Gains{64, 128, 256}));
    EXPECT_EQ(measured(exact, narrowCopy), (Gains{64, 128, 256}));
}

TEST_F(WhiteBalanceTest, ABlackChannelKeepsTheGainsTheFrameStartedWith) {
    Conversion c(16, 8);
    c->setRedGain(100);
    c->setGreenGain(120);
    c->setBlueGain(140);
    EXPECT_EQ(measured(c, flatRaw(16, 8, 0)), (Gains{100, 120, 140}));
    EXPECT_EQ(measured(c, sceneRaw(16, 8, 2, 0, 100, 50)), (Gains{100, 120, 140}));
}

TEST_F(WhiteBalanceTest, AnEmptyRegionMeasuresNothing) {
    Conversion c(0, 8);
    c->setRedGain(100);
    EXPECT_EQ(measured(c, flatRaw(16, 8, 100)), (Gains{100, 128, 128}));
}

TEST_F(WhiteBalanceTest, WithoutFloatingPointTheFrameKeepsItsGains) {
    Conversion c(16, 8);
    c->setRedGain(100);
    host::floatState().failNthSave(1);
    EXPECT_EQ(measured(c, sceneRaw(16, 8, 2, 200, 100, 50)), (Gains{100, 128, 128}));
}

}  // namespace
