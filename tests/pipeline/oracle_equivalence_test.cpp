// The vectorised passes against the per-pixel oracle on random frames:
// random sizes (including widths that are not a multiple of 16, and regions
// under 8), phases, matrices (with entries that make the accumulators wrap),
// gains up to 65535, colour, grey and white balance.
#include <gtest/gtest.h>

#include <cstdlib>

#include "conversion_harness.h"
#include "scalar_oracle.h"
#include "support/ledger_test.h"

namespace {

class OracleEquivalenceTest : public LedgerTest {};

int32_t randomEntry(std::mt19937& rng) {
    switch (rng() % 4) {
        case 0:
            return 0;
        case 1:
            return int32_t(rng() % 257) - 128;  // ordinary weights
        case 2:
            return int32_t(rng() % 40001) - 20000;  // offsets, wrapping products
        default:
            return int32_t(rng());  // anything at all
    }
}

OracleSettings randomSettings(std::mt19937& rng) {
    OracleSettings s;
    s.phase = int(rng() % 6);  // 4 and 5 convert as GBRG
    s.colour = rng() % 4 != 0;
    s.whiteBalance = rng() % 4 == 0;
    for (auto& gain : s.gains) {
        gain = (rng() % 3 == 0) ? 128 : int32_t(rng() % 65536);
    }
    for (auto& row : s.matrix)
        for (auto& entry : row) entry = randomEntry(rng);
    if (rng() % 2 == 0) {
        // The common shape: positive diagonal, nothing positive elsewhere.
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const int32_t magnitude = std::abs(s.matrix[i][j] % 30000) + 1;
                s.matrix[i][j] = (i == j) ? magnitude : -(magnitude - 1);
            }
    }
    return s;
}

void convertBoth(std::mt19937& rng, unsigned width, unsigned height) {
    const size_t pitch = width + rng() % 5;
    const unsigned marginX = unsigned(rng() % 3), marginY = unsigned(rng() % 3);
    const RawImage raw = randomRaw(unsigned(pitch), height + marginY, pitch + marginX, rng);
    const OracleSettings s = randomSettings(rng);

    Conversion c(width, height);
    c->setBayerPhase(s.phase);
    c->setColorEnable(s.colour ? 1 : 0);
    c->setWhiteBalance(s.whiteBalance ? 1 : 0);
    c->setRedGain(s.gains[0]);
    c->setGreenGain(s.gains[1]);
    c->setBlueGain(s.gains[2]);
    c.publishMatrix(s.matrix);
    c->convertFrame(raw.data.data(), ULONG(marginY * raw.pitch + marginX), ULONG(raw.pitch));

    const OracleResult expected =
        oracleConvert(raw.data.data(), marginY * raw.pitch + marginX, raw.pitch, width, height, s);
    SCOPED_TRACE(::testing::Message() << width << "x" << height << " phase " << s.phase
                                      << " colour " << s.colour << " wb " << s.whiteBalance);
    EXPECT_EQ(c->getRedGain(), expected.gains[0]);
    EXPECT_EQ(c->getGreenGain(), expected.gains[1]);
    EXPECT_EQ(c->getBlueGain(), expected.gains[2]);
    for (size_t i = 0; i < expected.bgrx.size(); ++i) {
        ASSERT_EQ(c.output()[i], expected.bgrx[i])
            << "pixel " << (i / 4) % width << "," << (i / 4) / width << " byte " << i % 4;
    }
}

TEST_F(OracleEquivalenceTest, RandomFramesOfRandomSizes) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 300; ++round) {
        const unsigned width = 1 + unsigned(rng() % 70);
        const unsigned height = 1 + unsigned(rng() % 20);
        convertBoth(rng, width, height);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(OracleEquivalenceTest, FullSensorFrames) {
    std::mt19937 rng(42);
    for (int round = 0; round < 3; ++round) {
        convertBoth(rng, 1280, 960);
        if (HasFatalFailure())
            return;
    }
}

}  // namespace
