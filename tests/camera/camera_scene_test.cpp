// The built-in scene's mosaic: known colours at known places.
#include <camera/camera_scene.h>
#include <camera/colour_chart.h>
#include <camera/frame_counter_code.h>
#include <camera/frame_geometry.h>
#include <camera/grey_ramps.h>
#include <camera/moving_marker.h>

#include "support/ledger_test.h"

namespace {

using namespace host::camera;

class CameraSceneTest : public LedgerTest {
  protected:
    const std::vector<std::uint8_t>& frame(std::uint32_t number) {
        frame_.resize(kFrameBytes);
        scene_.render(number, frame_.data());
        return frame_;
    }
    std::uint8_t at(int x, int y) const {
        return frame_[static_cast<std::size_t>(y) * kFrameWidth + static_cast<std::size_t>(x)];
    }
    // Whether every photosite of `rect` holds `colour`'s sample.
    bool holds(PixelRect rect, Rgb8 colour) const {
        for (int y = rect.y; y < rect.y + rect.height; ++y) {
            for (int x = rect.x; x < rect.x + rect.width; ++x) {
                if (at(x, y) != mosaicSample(colour, x, y)) {
                    return false;
                }
            }
        }
        return true;
    }

    CameraScene scene_;
    std::vector<std::uint8_t> frame_;
};

TEST_F(CameraSceneTest, MosaicIsRggb) {
    const Rgb8 c{10, 20, 30};
    EXPECT_EQ(mosaicSample(c, 0, 0), 10);
    EXPECT_EQ(mosaicSample(c, 1, 0), 20);
    EXPECT_EQ(mosaicSample(c, 0, 1), 20);
    EXPECT_EQ(mosaicSample(c, 1, 1), 30);
}

TEST_F(CameraSceneTest, ChartPatchesHoldTheirColours) {
    frame(0);
    for (int i = 0; i < kChartPatches; ++i) {
        const PixelRect r = chartPatchRect(i);
        EXPECT_TRUE(holds(r, chartPatchColour(i))) << "patch " << i;
        EXPECT_EQ(r.x % 2, 0);
        EXPECT_EQ(r.y % 2, 0);
    }
    // Red patch (14): red on R sites, little elsewhere.
    const PixelRect red = chartPatchRect(14);
    EXPECT_EQ(at(red.x, red.y), 175);
    EXPECT_EQ(at(red.x + 1, red.y), 54);
    EXPECT_EQ(at(red.x + 1, red.y + 1), 60);
    // Patches sit on the surround, apart from each other.
    EXPECT_EQ(at(0, 0), kChartSurround.r);
    EXPECT_EQ(at(chartPatchRect(0).x + chartPatchRect(0).width + 2, 50), kChartSurround.g);
}

TEST_F(CameraSceneTest, GreyRamps) {
    frame(0);
    EXPECT_EQ(smoothRampLevel(0), 0);
    EXPECT_EQ(smoothRampLevel(1279), 255);
    EXPECT_EQ(steppedRampLevel(0), 0);
    EXPECT_EQ(steppedRampLevel(1279), 255);
    EXPECT_EQ(steppedRampLevel(80), 17);
    for (int x = 0; x < kFrameWidth; x += 37) {
        EXPECT_EQ(at(x, kSmoothRampBand.y + 3), smoothRampLevel(x));
        EXPECT_EQ(at(x, kSteppedRampBand.y + 8), steppedRampLevel(x));
        if (x > 0) {
            EXPECT_GE(smoothRampLevel(x), smoothRampLevel(x - 1));
        }
    }
}

TEST_F(CameraSceneTest, MarkerMovesFromFrameToFrame) {
    const PixelRect first = markerRect(0);
    const PixelRect second = markerRect(1);
    EXPECT_NE(first.x, second.x);
    frame(1);
    EXPECT_TRUE(holds(second, kMarkerColour));
    EXPECT_EQ(at(first.x, first.y), kMarkerGround.r);  // where it was
    // It wraps within the band.
    for (std::uint32_t n = 0; n < 200; ++n) {
        const PixelRect r = markerRect(n);
        EXPECT_GE(r.x, 0);
        EXPECT_LE(r.x + r.width, kFrameWidth);
    }
}

TEST_F(CameraSceneTest, FrameCounterReadsBack) {
    for (std::uint32_t n : {0U, 1U, 2U, 0x12345678U, 0xFFFFFFFFU}) {
        EXPECT_EQ(readFrameCounter(frame(n).data()), n);
    }
    frame(1);
    EXPECT_TRUE(holds(counterCell(0), {255, 255, 255}));
    EXPECT_TRUE(holds(counterCell(1), {0, 0, 0}));
    EXPECT_EQ(counterCell(31).x, 0);
}

TEST_F(CameraSceneTest, OnlyMarkerAndCounterChange) {
    const std::vector<std::uint8_t> first = frame(3);
    frame(4);
    for (int y = 0; y < kMarkerBand.y; ++y) {
        for (int x = 0; x < kFrameWidth; x += 5) {
            ASSERT_EQ(at(x, y), first[static_cast<std::size_t>(y) * kFrameWidth + x]);
        }
    }
}

}  // namespace
