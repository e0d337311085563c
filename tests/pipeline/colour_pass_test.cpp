// The colour pass on scenes whose result is known by hand.
#include <gtest/gtest.h>

#include "conversion_harness.h"
#include "support/ledger_test.h"

namespace {

const int32_t kIdentity[4][4] = {{64, 0, 0, 0}, {0, 64, 0, 0}, {0, 0, 64, 0}, {0, 0, 0, 64}};

class ColourPassTest : public LedgerTest {
  protected:
    // Every pixel of the output equals `expected`.
    static void expectUniform(const Conversion& c, unsigned width, unsigned height, Bgrx expected) {
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < width; ++x)
                ASSERT_EQ(c.pixel(x, y), expected) << "at " << x << "," << y;
    }

    // One flat-scene pixel through the identity matrix with matrix entry
    // [row][column] replaced.
    static Bgrx withEntry(int row, int column, int32_t value, uint8_t red, uint8_t green) {
        Conversion c(16, 8);
        int32_t m[4][4];
        std::copy(&kIdentity[0][0], &kIdentity[0][0] + 16, &m[0][0]);
        m[row][column] = value;
        c.publishMatrix(m);
        c.convert(sceneRaw(16, 8, 2, red, green, 50));
        return c.pixel(5, 3);
    }
};

TEST_F(ColourPassTest, FlatGreyStaysGreyUpToTheEdges) {
    Conversion c(40, 10);
    c.publishMatrix(kIdentity);
    c.convert(flatRaw(40, 10, 100));
    expectUniform(c, 40, 10, {100, 100, 100, 255});
}

TEST_F(ColourPassTest, FlatColourSceneInEveryArrangement) {
    for (int phase : {0, 1, 2, 3, 7}) {
        Conversion c(32, 12);
        c.publishMatrix(kIdentity);
        c->setBayerPhase(phase);
        c.convert(sceneRaw(32, 12, phase, 200, 100, 50));
        SCOPED_TRACE(phase);
        expectUniform(c, 32, 12, {50, 100, 200, 255});
    }
}

TEST_F(ColourPassTest, GainsScaleEachChannelAndSaturate) {
    Conversion c(16, 8);
    c.publishMatrix(kIdentity);
    c->setRedGain(64);
    c->setBlueGain(256);
    c.convert(sceneRaw(16, 8, 2, 200, 100, 50));
    expectUniform(c, 16, 8, {100, 100, 100, 255});

    c->setRedGain(512);
    c->setGreenGain(512 + 65536);  // only the low 16 bits count
    c->setBlueGain(128);
    c.convert(flatRaw(16, 8, 255));
    expectUniform(c, 16, 8, {255, 255, 255, 255});
}

TEST_F(ColourPassTest, ConstantRowAddsAndSubtractsWholeLevels) {
    EXPECT_EQ(withEntry(3, 0, 640, 100, 100)[2], 110);
    EXPECT_EQ(withEntry(3, 0, 640, 250, 100)[2], 255);
    EXPECT_EQ(withEntry(3, 0, -640, 100, 100)[2], 90);
    EXPECT_EQ(withEntry(3, 0, -640, 5, 100)[2], 0);
}

TEST_F(ColourPassTest, NegativePartIsShiftedOnItsOwn) {
    // G' = 255: the negative part 255 >> 6 = 3 comes off red.
    EXPECT_EQ(withEntry(1, 0, -1, 100, 255)[2], 97);
    // G' = 63: 63 >> 6 = 0, nothing comes off.
    EXPECT_EQ(withEntry(1, 0, -1, 100, 63)[2], 100);
}

TEST_F(ColourPassTest, AccumulatorsWrapAt16Bits) {
    // 260 * 255 = 66300 wraps to 764; 764 >> 6 = 11.
    EXPECT_EQ(withEntry(0, 0, 260, 255, 100)[2], 11);
    // Only the magnitude modulo 65536 weighs: 65536 + 64 acts as 64.
    EXPECT_EQ(withEntry(0, 0, 65536 + 64, 123, 100)[2], 123);
}

TEST_F(ColourPassTest, WritesExactlyWidthPixelsPerRow) {
    for (unsigned width : {40u, 8u, 1u, 17u}) {
        Conversion c(width, 9);
        c.publishMatrix(kIdentity);
        // Room past the image shows any overrun.
        std::vector<uint8_t> guarded(size_t(width) * 9 * 4 + 64, 0xEE);
        c->setOutputBuffer(guarded.data());
        c.convert(flatRaw(width, 9, 100));
        EXPECT_EQ(c->outputCursor, guarded.data() + size_t(width) * 9 * 4);
        for (size_t i = size_t(width) * 9 * 4; i < guarded.size(); ++i)
            ASSERT_EQ(guarded[i], 0xEE) << "width " << width;
        if (width >= 8) {  // narrower regions have no border
            EXPECT_EQ(guarded[0], 100);
        }
    }
}

TEST_F(ColourPassTest, ShiftedDataGivesTheSameColoursInEveryArrangement) {
    // A smooth random scene sampled at RGGB; shifting the region by a row
    // and/or a column gives each of the other arrangements.
    std::mt19937 rng(7);
    RawImage raw = randomRaw(48, 24, 48, rng);
    for (auto& s : raw.data) s = uint8_t(s / 2 + 60);
    Conversion reference(40, 16);
    reference.publishMatrix(kIdentity);
    reference.convert(raw, 2, 2);  // starts on an even row and column: RGGB
    const struct {
        unsigned dx, dy;
        int phase;
    } shifts[] = {{1, 0, 0}, {1, 1, 1}, {0, 1, 3}};
    for (const auto& s : shifts) {
        Conversion shifted(40, 16);
        shifted.publishMatrix(kIdentity);
        shifted->setBayerPhase(s.phase);
        shifted.convert(raw, 2 + s.dx, 2 + s.dy);
        for (unsigned y = 2; y + 3 < 16; ++y)
            for (unsigned x = 2; x + 3 < 40; ++x)
                ASSERT_EQ(shifted.pixel(x, y), reference.pixel(x + s.dx, y + s.dy))
                    << "phase " << s.phase << " at " << x << "," << y;
    }
}

}  // namespace
