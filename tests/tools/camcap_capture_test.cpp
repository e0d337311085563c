// camcap end to end: the driver streams through its capture pin and the
// frames land as files, in each format, at the negotiated size, upright,
// showing the scene the camera was given.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "camcap_fixture.h"
#include "png_reader.h"

namespace {

constexpr std::uint32_t kWidth = 1280, kHeight = 960;
constexpr std::size_t kFrameBytes = std::size_t{kWidth} * kHeight * 4;

std::uint32_t little32(const std::vector<unsigned char>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

// R, G, B of pixel (x, y) of a top-row-first BGRX image.
std::vector<int> bgrxPixel(const std::vector<unsigned char>& bgrx, std::uint32_t width,
                           std::uint32_t x, std::uint32_t y) {
    const std::size_t at = (std::size_t{y} * width + x) * 4;
    return {bgrx[at + 2], bgrx[at + 1], bgrx[at]};
}

void expectNear(const std::vector<int>& actual, const std::vector<int>& expected, int tolerance) {
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_NEAR(actual[c], expected[c], tolerance) << "channel " << c;
    }
}

using CamcapCaptureTest = CamcapTest;

TEST_F(CamcapCaptureTest, EachFormatHoldsEveryFrameAtTheFullFrame) {
    for (const std::string format : {"png", "bmp", "bgrx"}) {
        const ToolRun run = camcap({"--frames", "2", "--format", format, "--out", path(format)});
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_NE(run.out.find("frames delivered:      2 (1280 x 960, RGB32)"), std::string::npos)
            << run.out;
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(path(format))) {
            files.push_back(entry.path().filename().string());
        }
        std::sort(files.begin(), files.end());
        ASSERT_EQ(files, (std::vector<std::string>{"frame_0000." + format, "frame_0001." + format}))
            << "no temporary left beside them";
        const auto bytes = readBytes(path(format + "/frame_0001." + format));
        if (format == "png") {
            EXPECT_NO_THROW(decodePng(bytes, kWidth, kHeight));
        } else if (format == "bmp") {
            ASSERT_EQ(bytes.size(), 54 + kFrameBytes);
            EXPECT_EQ(little32(bytes, 18), kWidth);
            EXPECT_EQ(little32(bytes, 22), kHeight);
        } else {
            EXPECT_EQ(bytes.size(), kFrameBytes);
        }
    }
}

TEST_F(CamcapCaptureTest, TheRegionGivesTheFramesItsSize) {
    const ToolRun run =
        camcap({"--roi", "100,50,320,240", "--frames", "1", "--out", path("frames")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("(320 x 240, RGB32)"), std::string::npos) << run.out;
    EXPECT_NO_THROW(decodePng(readBytes(path("frames/frame_0000.png")), 320, 240));
}

TEST_F(CamcapCaptureTest, EveryFormatShowsTheSceneUpright) {
    const std::string scene = writeScene("scene.png", {200, 40, 40}, {40, 40, 200});
    auto capture = [&](const std::string& format) {
        std::vector<std::string> args = faithfulSettings();
        args.insert(args.end(),
                    {"--scene", scene, "--frames", "1", "--format", format, "--out", path(format)});
        const ToolRun run = camcap(args);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        return readBytes(path(format + "/frame_0000." + format));
    };
    const auto bgrx = capture("bgrx");
    ASSERT_EQ(bgrx.size(), kFrameBytes);
    expectNear(bgrxPixel(bgrx, kWidth, 640, 100), {200, 40, 40}, 2);  // top row first
    expectNear(bgrxPixel(bgrx, kWidth, 640, 860), {40, 40, 200}, 2);

    const RgbImage png = decodePng(capture("png"), kWidth, kHeight);
    std::size_t differing = 0;
    for (std::size_t p = 0; p < std::size_t{kWidth} * kHeight; ++p) {
        differing += png.rgb[p * 3] != bgrx[p * 4 + 2] || png.rgb[p * 3 + 1] != bgrx[p * 4 + 1] ||
                     png.rgb[p * 3 + 2] != bgrx[p * 4];
    }
    EXPECT_EQ(differing, 0u) << "the png and the bgrx frame show one picture";

    const auto bmp = capture("bmp");
    ASSERT_EQ(bmp.size(), 54 + kFrameBytes);
    const std::size_t rowBytes = std::size_t{kWidth} * 4;
    for (std::uint32_t row : {0u, 479u, 480u, 959u}) {  // bitmap rows run bottom-up
        const auto bmpRow = bmp.begin() + 54 + static_cast<std::ptrdiff_t>(rowBytes * row);
        const auto imageRow =
            bgrx.begin() + static_cast<std::ptrdiff_t>(rowBytes * (kHeight - 1 - row));
        EXPECT_TRUE(std::equal(bmpRow, bmpRow + static_cast<std::ptrdiff_t>(rowBytes), imageRow))
            << "bitmap row " << row;
    }
}

TEST_F(CamcapCaptureTest, APngSceneComesOutInItsColour) {
    const std::string scene = writeScene("flat.png", {200, 120, 40}, {200, 120, 40});
    std::vector<std::string> args = faithfulSettings();
    args.insert(args.end(),
                {"--scene", scene, "--frames", "1", "--format", "bgrx", "--out", path("frames")});
    const ToolRun run = camcap(args);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const auto bgrx = readBytes(path("frames/frame_0000.bgrx"));
    ASSERT_EQ(bgrx.size(), kFrameBytes);
    double sum[3] = {};
    for (std::size_t at = 0; at < bgrx.size(); at += 4) {
        sum[0] += bgrx[at + 2];
        sum[1] += bgrx[at + 1];
        sum[2] += bgrx[at];
    }
    const double pixels = static_cast<double>(kWidth) * kHeight;
    EXPECT_NEAR(sum[0] / pixels, 200, 3);
    EXPECT_NEAR(sum[1] / pixels, 120, 3);
    EXPECT_NEAR(sum[2] / pixels, 40, 3);
}

// The frames' headers say which deliveries repeated an image and how many
// pictures were dropped; the frame read the stop cancels is no failure.
TEST_F(CamcapCaptureTest, TheReportCountsRepeatsAndDropsFromTheHeaders) {
    // At 30 frames a second a frame read is always waiting when the pin stops.
    const ToolRun run =
        camcap({"--rate", "30", "--frames", "4", "--format", "bgrx", "--out", path("frames")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    for (const std::string label : {"frames repeated:       ", "frames dropped:        "}) {
        const std::size_t at = run.out.find("\n" + label);
        ASSERT_NE(at, std::string::npos) << label << " in " << run.out;
        const char first = run.out[at + 1 + label.size()];
        EXPECT_TRUE(first >= '0' && first <= '9') << label << " has a count: " << run.out;
    }
    EXPECT_NE(run.out.find("\nframe reads failed:    0\n"), std::string::npos) << run.out;
}

TEST_F(CamcapCaptureTest, TriggerModeDeliversEachFrameItTriggers) {
    const ToolRun run = camcap({"--trigger", "--get", "EXTRIGGER", "--frames", "3", "--format",
                                "bgrx", "--out", path("frames")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("EXTRIGGER=1\n")) << run.out;
    EXPECT_NE(run.out.find("frames delivered:      3"), std::string::npos) << run.out;
    EXPECT_EQ(readBytes(path("frames/frame_0002.bgrx")).size(), kFrameBytes);
}

TEST_F(CamcapCaptureTest, ThePcapHoldsTheWholeRun) {
    const ToolRun run = camcap({"--pcap", path("run.pcap"), "--frames", "1", "--out", path("f")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("bus trace:"), std::string::npos) << run.out;
    const auto file = readBytes(path("run.pcap"));
    ASSERT_GT(file.size(), 1228800u) << "a whole raw frame crossed the bus";
    EXPECT_EQ(little32(file, 0), 0xA1B2C3D4u);
    EXPECT_EQ(little32(file, 20), 249u);  // USBPcap
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"f", "run.pcap"}));
}

TEST_F(CamcapCaptureTest, AShortRunPrintsNoProgressWhenStderrIsNoTerminal) {
    const ToolRun run = camcap({"--frames", "3", "--format", "bgrx", "--out", path("frames")});
    ASSERT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("files:                 " + path("frames/frame_0000.bgrx") +
                           " .. frame_0002.bgrx"),
              std::string::npos)
        << run.out;
}

}  // namespace
