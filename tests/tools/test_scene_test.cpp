#include "test_scene.h"

#include <cstdint>
#include <string>
#include <vector>

#include "bayer_layout.h"
#include "support/ledger_test.h"

namespace {

class TestSceneTest : public LedgerTest {};

// The 2 x 2 block at the top-left, row 0 then row 1, as letters.
std::string blockOf(long phase) {
    const char letters[] = "RGB";
    std::string block;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            block += letters[bayerChannelAt(x, y, phase)];
        }
    }
    return block;
}

TEST_F(TestSceneTest, PhasesNameTheTopLeftBlock) {
    EXPECT_EQ(blockOf(0), "GRBG");
    EXPECT_EQ(blockOf(1), "BGGR");
    EXPECT_EQ(blockOf(2), "RGGB");
    EXPECT_EQ(blockOf(3), "GBRG");
    EXPECT_EQ(blockOf(7), "GBRG");
    EXPECT_EQ(blockOf(-1), "GBRG");
    // The pattern repeats every two photosites.
    EXPECT_EQ(bayerChannelAt(100, 50, 2), kSceneRed);
    EXPECT_EQ(bayerChannelAt(101, 51, 2), kSceneBlue);
}

TEST_F(TestSceneTest, BayerFrameSamplesTheSceneThroughThePattern) {
    const int w = 40, h = 30, pitch = 43;
    for (long phase = 0; phase < 4; ++phase) {
        std::vector<std::uint8_t> frame(std::size_t{pitch} * h, 0xAB);
        fillBayerFrame(frame.data(), w, h, pitch, phase);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < pitch; ++x) {
                const std::uint8_t want =
                    x < w ? sceneSample(x, y, bayerChannelAt(x, y, phase), w, h) : 0xAB;
                ASSERT_EQ(frame[std::size_t{pitch} * y + x], want)
                    << "phase " << phase << " at " << x << "," << y;
            }
        }
    }
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
Rgb at(int x, int y) {
    return {sceneSample(x, y, 0, 1280, 960), sceneSample(x, y, 1, 1280, 960),
            sceneSample(x, y, 2, 1280, 960)};
}

TEST_F(TestSceneTest, ShowsBarsRampAndWheel) {
    EXPECT_EQ(at(80, 100), (Rgb{191, 191, 191}));    // white bar
    EXPECT_EQ(at(240, 100), (Rgb{191, 191, 0}));     // yellow
    EXPECT_EQ(at(880, 100), (Rgb{191, 0, 0}));       // red
    EXPECT_EQ(at(1200, 100), (Rgb{0, 0, 0}));        // black
    EXPECT_EQ(at(0, 450), (Rgb{0, 0, 0}));           // ramp, left end
    EXPECT_EQ(at(1279, 450), (Rgb{255, 255, 255}));  // ramp, right end
    const Rgb centre = at(640, 744);                 // wheel centre: hardly any saturation
    for (int channel : {centre.r, centre.g, centre.b}) {
        EXPECT_NEAR(channel, 217, 1);
    }
    EXPECT_EQ(at(20, 900), (Rgb{115, 115, 115}));  // grey ground
    const Rgb rim = at(640 + 170, 744);            // hue 0 near the rim: red
    EXPECT_GT(rim.r, 200);
    EXPECT_LT(rim.g, 40);
    EXPECT_LT(rim.b, 40);
}

}  // namespace
