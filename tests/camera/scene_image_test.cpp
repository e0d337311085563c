// Image files in place of the built-in scene.
#include <camera/frame_geometry.h>
#include <camera/mosaic_canvas.h>
#include <camera/scene_image.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "support/ledger_test.h"

namespace {

using namespace host::camera;
namespace fs = std::filesystem;

class SceneImageTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("camera_scene_image_" + std::to_string(::getpid()) + "_" + info->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        LedgerTest::TearDown();
    }
    fs::path write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string loadError(const fs::path& path) {
        try {
            loadSceneImage(path);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no error";
    }

    fs::path dir_;
};

// The colour of the test PPM's pixel (x, y).
Rgb8 ppmColour(int x, int y) {
    return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
            static_cast<std::uint8_t>(x + y)};
}

std::string testPpm(const std::string& header) {
    std::string bytes = header;
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            const Rgb8 c = ppmColour(x, y);
            bytes += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
        }
    }
    return bytes;
}

TEST_F(SceneImageTest, PpmIsSampledThroughRggb) {
    const auto frame = loadSceneImage(write("a.ppm", testPpm("P6\n# a comment\n1280 960\n255\n")));
    ASSERT_EQ(frame.size(), kFrameBytes);
    for (int y : {0, 1, 2, 501, 959}) {
        for (int x : {0, 1, 2, 777, 1279}) {
            EXPECT_EQ(frame[static_cast<std::size_t>(y) * kFrameWidth + x],
                      mosaicSample(ppmColour(x, y), x, y))
                << x << "," << y;
        }
    }
}

TEST_F(SceneImageTest, RawFrameIsTakenAsIs) {
    std::string raw(kFrameBytes, '\0');
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<char>(i % 251);
    }
    const auto frame = loadSceneImage(write("a.raw", raw));
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), raw.begin(), [](std::uint8_t a, char b) {
        return a == static_cast<std::uint8_t>(b);
    }));
}

TEST_F(SceneImageTest, RefusesWhatItCannotUse) {
    EXPECT_NE(loadError(dir_ / "missing.ppm").find("cannot be opened"), std::string::npos);
    EXPECT_NE(loadError(write("small.ppm", "P6 2 2 255\n123456789012")).find("2 x 2"),
              std::string::npos);
    EXPECT_NE(loadError(write("deep.ppm", "P6 1280 960 65535\n")).find("maximum 65535"),
              std::string::npos);
    EXPECT_NE(loadError(write("cut.ppm", "P6 1280 960 255\nabc")).find("ends before"),
              std::string::npos);
    EXPECT_NE(loadError(write("other.bin", "hello")).find("neither"), std::string::npos);
    EXPECT_NE(loadError(write("named.bin", "x")).find("named.bin"), std::string::npos);
}

}  // namespace
