// The grey pass: demosaic and gains as in colour, luma in every byte, the
// colour matrix ignored.
#include <gtest/gtest.h>

#include "conversion_harness.h"
#include "support/ledger_test.h"

namespace {

class MonochromePassTest : public LedgerTest {
  protected:
    static Bgrx greyOf(const RawImage& raw, LONG redGain = 128, LONG blueGain = 128) {
        Conversion c(raw.width, raw.height);
        c->setColorEnable(0);
        c->setRedGain(redGain);
        c->setBlueGain(blueGain);
        c.convert(raw);
        const Bgrx first = c.pixel(0, 0);
        for (unsigned y = 0; y < raw.height; ++y)
            for (unsigned x = 0; x < raw.width; ++x) EXPECT_EQ(c.pixel(x, y), first);
        return first;
    }
};

TEST_F(MonochromePassTest, LumaOfFlatFrames) {
    EXPECT_EQ(greyOf(flatRaw(16, 8, 100)), (Bgrx{99, 99, 99, 255}));  // 30 + 58 + 11
    EXPECT_EQ(greyOf(flatRaw(16, 8, 255)), (Bgrx{253, 253, 253, 255}));
    EXPECT_EQ(greyOf(sceneRaw(16, 8, 2, 200, 100, 50)), (Bgrx{123, 123, 123, 255}));
    EXPECT_EQ(greyOf(sceneRaw(16, 8, 2, 200, 100, 50), 64, 256), (Bgrx{99, 99, 99, 255}));
}

TEST_F(MonochromePassTest, IgnoresTheColourMatrix) {
    Conversion c(40, 8);
    const int32_t zeros[4][4] = {};
    c.publishMatrix(zeros);
    c->setColorEnable(0);
    c.convert(flatRaw(40, 8, 100));
    for (unsigned x = 0; x < 40; ++x) EXPECT_EQ(c.pixel(x, 7), (Bgrx{99, 99, 99, 255}));
    EXPECT_EQ(c->outputCursor, c.output().data() + c.output().size());
}

}  // namespace
