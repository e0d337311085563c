// The conversion entry: defaults, working-buffer geometry, the bordered
// copy, the per-frame snapshot, and what happens when pieces are missing.
#include <gtest/gtest.h>

#include <limits>

#include "conversion_harness.h"
#include "kernel/pool_ledger.h"
#include "kernel/violation.h"
#include "pipeline/double_conversion.h"
#include "platform/pool.h"
#include "support/ledger_test.h"

namespace {

class ConversionContextTest : public LedgerTest {};

TEST_F(ConversionContextTest, StartsWithTheDefaults) {
    ConversionContext* c = nullptr;
    ASSERT_EQ(ConversionContext::Create(&c), STATUS_SUCCESS);
    EXPECT_EQ(c->getColorEnable(), 1);
    EXPECT_EQ(c->getWhiteBalance(), 0);
    EXPECT_EQ(c->getRedGain(), 128);
    EXPECT_EQ(c->getGreenGain(), 128);
    EXPECT_EQ(c->getBlueGain(), 128);
    EXPECT_EQ(c->getColorCorrection(), 1);
    EXPECT_EQ(c->getBrightness(), 255);
    EXPECT_EQ(c->getContrast(), 10);
    EXPECT_EQ(c->getSaturation(), 10);
    EXPECT_EQ(c->getHue(), 0);
    EXPECT_EQ(c->getBayerPhase(), 0);
    EXPECT_EQ(c->workBuffer, nullptr);
    EXPECT_EQ(host::poolLedger().liveBlocks(kConversionPoolTag), 1u);
    ConversionContext::Destroy(c);
}

TEST_F(ConversionContextTest, WorkingBufferGeometry) {
    Conversion c(40, 9);
    EXPECT_EQ(c->workStride, 32 + 27);
    EXPECT_EQ(c->workSize, 59 * (9 + 1 + 4));
    EXPECT_EQ(c->workOrigin, c->workBuffer + 2 * 59 + 5);
    EXPECT_EQ(c->rowStride, 59);
    EXPECT_EQ(c->frameWidth, 40u);
    EXPECT_EQ(c->frameHeight, 9u);
    EXPECT_EQ(host::poolLedger().liveBytes(kFramePoolTag), size_t(59 * 14));
    c->releaseWorkBuffer();
    EXPECT_EQ(c->workBuffer, nullptr);
    EXPECT_EQ(host::poolLedger().liveBlocks(kFramePoolTag), 0u);
}

TEST_F(ConversionContextTest, BorderMirrorsWithoutRepeatingTheEdge) {
    Conversion c(16, 8);
    RawImage raw = flatRaw(16, 8, 0);
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 0; x < 16; ++x) raw.at(x, y) = uint8_t(16 * y + x);
    c.convert(raw);
    auto at = [&](int y, int x) { return c->workOrigin[y * c->rowStride + x]; };
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(at(-2, x), at(2, x));
        EXPECT_EQ(at(-1, x), at(1, x));
        EXPECT_EQ(at(8, x), at(6, x));
        EXPECT_EQ(at(9, x), at(5, x));
    }
    for (int y = -2; y <= 9; ++y) {
        EXPECT_EQ(at(y, -1), at(y, 1));
        EXPECT_EQ(at(y, -2), at(y, 2));
        EXPECT_EQ(at(y, 16), at(y, 14));
        EXPECT_EQ(at(y, 17), at(y, 13));
    }
    EXPECT_EQ(at(-2, -2), 16 * 2 + 2);  // corners mirror the border rows
}

TEST_F(ConversionContextTest, SmallRegionsGetNoBorderAndReadOnlyZeros) {
    Conversion c(6, 5);
    c.convert(flatRaw(6, 5, 200));
    EXPECT_EQ(c->workOrigin[-1], 0);
    EXPECT_EQ(c->workOrigin[-2 * c->rowStride], 0);
    EXPECT_EQ(c->workOrigin[6], 0);
}

TEST_F(ConversionContextTest, SnapshotMarksOnlyPositiveEntries) {
    Conversion c(8, 8);
    const int32_t m[4][4] = {{5, 0, -3, 1}, {0, 0, 0, 0}, {-1, 2, 0, 0}, {0, 0, 0, 64}};
    c.publishMatrix(m);
    c.convert(flatRaw(8, 8, 10));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(c->frameMatrix[i][j], m[i][j]);
            EXPECT_EQ(c->frameMatrixPositive[i][j], m[i][j] > 0 ? 1 : 0);
        }
}

// The processing may run at dispatch level: the per-frame snapshot must not
// need anything a spin lock does not give it.
TEST_F(ConversionContextTest, AFrameConvertsAtDispatchLevel) {
    Conversion c(16, 8);
    const RawImage raw = flatRaw(16, 8, 90);
    host::ScopedViolationRecorder recorder;
    KIRQL old = PASSIVE_LEVEL;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    c.convert(raw);
    KeLowerIrql(old);
    EXPECT_TRUE(recorder.violations().empty()) << recorder.violations().front();
}

TEST_F(ConversionContextTest, MissingBuffersLeaveEverythingUntouched) {
    Conversion c(16, 8);
    const RawImage raw = flatRaw(16, 8, 100);
    c->setWhiteBalance(1);
    c->setRedGain(77);

    c->setOutputBuffer(nullptr);
    c.convert(raw);
    c->setOutputBuffer(const_cast<uint8_t*>(c.output().data()));
    c->convertFrame(nullptr, 0, 16);
    EXPECT_EQ(c->getRedGain(), 77);
    EXPECT_EQ(c.pixel(0, 0), (Bgrx{0xEE, 0xEE, 0xEE, 0xEE}));

    c->releaseWorkBuffer();
    c.convert(raw);
    EXPECT_EQ(c->getRedGain(), 77);
    EXPECT_EQ(c.pixel(0, 0), (Bgrx{0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(ConversionContextTest, EmptyRegionsWriteNothing) {
    for (auto [w, h] : {std::pair{0u, 8u}, std::pair{16u, 0u}}) {
        Conversion c(w, h);
        uint8_t canary[16];
        std::fill(std::begin(canary), std::end(canary), 0xEE);
        c->setOutputBuffer(canary);
        c.convert(flatRaw(16, 8, 100));
        EXPECT_EQ(c->outputCursor, canary);
        EXPECT_EQ(canary[0], 0xEE);
    }
}

TEST_F(ConversionContextTest, AllocationFailuresAreReportedOrHarmless) {
    host::poolLedger().failAllocationsWithTag(kConversionPoolTag);
    ConversionContext* context = reinterpret_cast<ConversionContext*>(1);
    EXPECT_EQ(ConversionContext::Create(&context), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(context, nullptr);
    host::poolLedger().clearInjection();

    Conversion c(16, 8);
    host::poolLedger().failAllocationsWithTag(kFramePoolTag);
    c->allocateWorkBuffer();
    host::poolLedger().clearInjection();
    EXPECT_EQ(c->workBuffer, nullptr);
    c.convert(flatRaw(16, 8, 100));  // does nothing
    EXPECT_EQ(c.pixel(0, 0), (Bgrx{0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(DoubleConversion, TruncatesTowardZeroAndSaturatesOutOfRange) {
    EXPECT_EQ(TruncateToLong(2.9), 2);
    EXPECT_EQ(TruncateToLong(-2.9), -2);
    EXPECT_EQ(TruncateToLong(1e300), std::numeric_limits<LONG>::max());
    EXPECT_EQ(TruncateToLong(-1e300), std::numeric_limits<LONG>::min());
    EXPECT_EQ(TruncateToLong(std::numeric_limits<double>::infinity()),
              std::numeric_limits<LONG>::max());
    EXPECT_EQ(TruncateToLong(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncateToLong(2147483647.9), 2147483647);
    EXPECT_EQ(RoundHalfAwayFromZero(2.5), 3);
    EXPECT_EQ(RoundHalfAwayFromZero(-2.5), -3);
    EXPECT_EQ(RoundHalfAwayFromZero(-0.4), 0);
}

}  // namespace
