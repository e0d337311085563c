// The conversion run in process, where the fixture checks that the driver's
// pool is balanced afterwards. Expected pixels follow from the published
// matrix: a flat field v comes out as (v * column sum) / 64 per channel.
#include "conversion_run.h"

#include <cstdint>
#include <random>
#include <vector>

#include "support/ledger_test.h"

namespace {

class ConversionRunTest : public LedgerTest {};

// B, G, R, X repeated for every pixel.
std::vector<std::uint8_t> filled(std::size_t pixels, std::uint8_t b, std::uint8_t g,
                                 std::uint8_t r) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < pixels; ++i) {
        out.insert(out.end(), {b, g, r, 255});
    }
    return out;
}

// A noisy frame with a flat 128 region at (4, 2), 16 x 8 photosites.
std::vector<std::uint8_t> frameWithFlatRegion(const FrameLayout& frame, const Region& region) {
    std::vector<std::uint8_t> raw(frame.requiredBytes());
    std::mt19937 random(7);
    for (auto& byte : raw) {
        byte = static_cast<std::uint8_t>(random());
    }
    for (std::uint32_t y = 0; y < region.height; ++y) {
        for (std::uint32_t x = 0; x < region.width; ++x) {
            raw[(region.y + y) * frame.pitch + region.x + x] = 128;
        }
    }
    return raw;
}

TEST_F(ConversionRunTest, FlatGreyTakesTheDefaultMatrix) {
    const FrameLayout frame{16, 8, 16};
    const std::vector<std::uint8_t> raw(frame.requiredBytes(), 128);
    const ConversionResult result = convertRegion(raw, frame, {0, 0, 16, 8}, PipelineSettings{});
    // Column sums of the default matrix: 64, 64, 65.
    EXPECT_EQ(result.bgrx, filled(16 * 8, 130, 128, 128));
    EXPECT_EQ(result.gains, (std::array<std::int32_t, 3>{128, 128, 128}));
    EXPECT_EQ(result.matrix[3], (std::array<std::int32_t, 4>{0, 0, 0, 64}));
}

TEST_F(ConversionRunTest, GreyOutputIsTheLuma) {
    const FrameLayout frame{16, 8, 16};
    const std::vector<std::uint8_t> raw(frame.requiredBytes(), 128);
    PipelineSettings settings;
    settings.color = 0;
    const ConversionResult result = convertRegion(raw, frame, {0, 0, 16, 8}, settings);
    // (77*128 >> 8) + (150*128 >> 8) + (29*128 >> 8)
    EXPECT_EQ(result.bgrx, filled(16 * 8, 127, 127, 127));
}

TEST_F(ConversionRunTest, ConvertsOnlyTheRegionAtItsOffsetAndPitch) {
    const FrameLayout frame{27, 13, 30};
    const Region region{4, 2, 16, 8};
    const std::vector<std::uint8_t> raw = frameWithFlatRegion(frame, region);
    const ConversionResult result = convertRegion(raw, frame, region, PipelineSettings{});
    EXPECT_EQ(result.bgrx, filled(16 * 8, 130, 128, 128));
}

TEST_F(ConversionRunTest, WhiteBalanceReportsTheMeasuredGains) {
    const FrameLayout frame{16, 8, 16};
    const std::vector<std::uint8_t> raw(frame.requiredBytes(), 128);
    PipelineSettings settings;
    settings.whiteBalance = 1;
    settings.redGain = settings.greenGain = settings.blueGain = 300;
    const ConversionResult result = convertRegion(raw, frame, {0, 0, 16, 8}, settings);
    // A grey world needs no correction.
    EXPECT_EQ(result.gains, (std::array<std::int32_t, 3>{128, 128, 128}));
}

}  // namespace
