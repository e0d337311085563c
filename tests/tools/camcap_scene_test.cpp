// camcap --scene: pictures mosaicked as the camera's RGGB sensor records
// them, other files through the camera's own loader.
#include "scene_frame.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "png_writer.h"
#include "scratch_dir.h"
#include "support/ledger_test.h"

namespace {

constexpr std::uint32_t kWidth = 1280, kHeight = 960;

class SceneFrameTest : public LedgerTest {
  protected:
    std::string expectFailure(const std::filesystem::path& file) {
        try {
            loadSceneFrame(file);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        ADD_FAILURE() << "no exception for " << file;
        return {};
    }
    ScratchDir scratch;
};

TEST_F(SceneFrameTest, EachPhotositeTakesItsColourOfThePixel) {
    RgbImage image{kWidth, kHeight, std::vector<std::uint8_t>(std::size_t{kWidth} * kHeight * 3)};
    for (std::size_t p = 0; p < std::size_t{kWidth} * kHeight; ++p) {
        image.rgb[p * 3] = 10;
        image.rgb[p * 3 + 1] = 20;
        image.rgb[p * 3 + 2] = 30;
    }
    image.rgb[(std::size_t{kWidth} + 1) * 3 + 2] = 99;  // the blue of pixel (1, 1)
    const auto frame = mosaicOf(image);
    ASSERT_EQ(frame.size(), std::size_t{kWidth} * kHeight);
    EXPECT_EQ(frame[0], 10);           // R at (0, 0)
    EXPECT_EQ(frame[1], 20);           // G at (1, 0)
    EXPECT_EQ(frame[kWidth], 20);      // G at (0, 1)
    EXPECT_EQ(frame[kWidth + 1], 99);  // B at (1, 1)
    EXPECT_EQ(frame[kWidth + 3], 30);  // B at (3, 1)
}

TEST_F(SceneFrameTest, APngOfTheSensorsSizeIsMosaicked) {
    std::vector<std::uint8_t> bgrx(std::size_t{kWidth} * kHeight * 4, 0);
    for (std::size_t at = 0; at < bgrx.size(); at += 4) {
        bgrx[at] = 30;      // B
        bgrx[at + 1] = 20;  // G
        bgrx[at + 2] = 10;  // R
    }
    writeFileAtomically(scratch / "scene.png", encodePng({bgrx.data(), kWidth, kHeight}));
    const auto frame = loadSceneFrame(scratch / "scene.png");
    ASSERT_EQ(frame.size(), std::size_t{kWidth} * kHeight);
    EXPECT_EQ(frame[0], 10);
    EXPECT_EQ(frame[kWidth + 1], 30);
}

TEST_F(SceneFrameTest, ARawFrameIsTakenAsItIs) {
    std::vector<unsigned char> raw(std::size_t{kWidth} * kHeight);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<unsigned char>(i * 13);
    }
    writeBytes(scratch / "scene.raw", raw);
    EXPECT_EQ(loadSceneFrame(scratch / "scene.raw"), raw);
}

TEST_F(SceneFrameTest, OtherFilesAreRefusedWithTheirName) {
    const std::vector<std::uint8_t> pixels(8 * 4 * 4, 0);
    writeFileAtomically(scratch / "small.png", encodePng({pixels.data(), 8, 4}));
    EXPECT_EQ(expectFailure(scratch / "small.png"),
              "--scene: " + (scratch / "small.png").string() + " is 8 x 4, not 1280 x 960");
    writeBytes(scratch / "notes.txt", {'h', 'i'});
    EXPECT_TRUE(expectFailure(scratch / "notes.txt").starts_with("--scene: "));
    EXPECT_NE(expectFailure(scratch / "none.png").find("cannot be opened"), std::string::npos);
}

}  // namespace
