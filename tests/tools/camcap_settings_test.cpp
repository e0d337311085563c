// camcap's settings end to end: --set and --get through the driver's
// property set, kept in a .reg file between runs, and the --list table.
#include <sstream>
#include <string>
#include <vector>

#include "camcap_fixture.h"
#include "camera_property_names.h"

namespace {

std::vector<std::string> wordsOf(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

using CamcapSettingsTest = CamcapTest;

TEST_F(CamcapSettingsTest, SetsPersistThroughTheRegistryAndGetsReadThemBack) {
    ToolRun run = camcap({"--registry", path("settings.reg"), "--set", "EXPOSURE=300", "--set",
                          "hue=400", "--frames", "1", "--format", "bgrx", "--out", path("f")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;

    run = camcap(
        {"--registry", path("settings.reg"), "--get", "exposure", "--get", "HUE", "--frames", "0"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "EXPOSURE=300\nHUE=359\n") << "the driver clamps the hue";
    const auto file = readBytes(path("settings.reg"));
    EXPECT_NE(std::string(file.begin(), file.end()).find("\"Exposure\"=dword:0000012c"),
              std::string::npos);
}

TEST_F(CamcapSettingsTest, GetsFollowTheSetsOfTheSameRun) {
    const ToolRun run = camcap({"--set", "SATURATION=12", "--get", "SATURATION", "--get",
                                "SENSOR_WIDTH", "--frames", "0", "--out", path("f")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "SATURATION=12\nSENSOR_WIDTH=1280\n");
    EXPECT_TRUE(scratch.entries().empty()) << "no frames, no directory";
}

TEST_F(CamcapSettingsTest, ListShowsEveryPropertyWithItsLimits) {
    const ToolRun run = camcap({"--set", "REDGAIN=64", "--list", "--out", path("f")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const auto lines = linesOf(run.out);
    ASSERT_EQ(lines.size(), 1u + 61u);
    EXPECT_EQ(wordsOf(lines[0]),
              (std::vector<std::string>{"NAME", "ACCESS", "VALUE", "MIN", "MAX", "DEFAULT"}));
    const auto properties = cameraProperties();
    for (std::size_t i = 0; i < properties.size(); ++i) {
        EXPECT_EQ(wordsOf(lines[i + 1]).at(0), properties[i].name);
    }
    const auto row = [&](ULONG id) { return wordsOf(lines.at(id + 1)); };
    const auto gainMin = row(CAMPROP_GAIN_MIN).at(2), gainMax = row(CAMPROP_GAIN_MAX).at(2);
    EXPECT_EQ(row(CAMPROP_REDGAIN),
              (std::vector<std::string>{"REDGAIN", "rw", "64", gainMin, gainMax,
                                        row(CAMPROP_GAIN_DEFAULT).at(2)}));
    EXPECT_EQ(row(CAMPROP_EXPOSURE).at(4), row(CAMPROP_EXPOSURE_MAX).at(2));
    EXPECT_EQ(row(CAMPROP_ROI), (std::vector<std::string>{"ROI", "w", "-", "-", "-", "-"}));
    EXPECT_EQ(row(CAMPROP_SENSOR_HEIGHT),
              (std::vector<std::string>{"SENSOR_HEIGHT", "r", "960", "-", "-", "-"}));
    EXPECT_TRUE(scratch.entries().empty()) << "--list captures nothing";
}

TEST_F(CamcapSettingsTest, AFrameThatNeverComesEndsTheRunAndKeepsTheRegistry) {
    ASSERT_EQ(camcap({"--registry", path("settings.reg"), "--frames", "0"}).exitStatus, 0);
    const auto before = readBytes(path("settings.reg"));
    // External trigger mode with nobody to fire it; TIMEOUT just above the
    // driver's floor keeps the wait short.
    const ToolRun run = camcap({"--registry", path("settings.reg"), "--set", "EXTRIGGER=1", "--set",
                                "TIMEOUT=501", "--frames", "2", "--out", path("f")});
    EXPECT_EQ(run.exitStatus, 2);
    const auto lines = linesOf(run.err);
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_TRUE(lines[0].starts_with("camcap: no frame came within 1.5 s (0 of 2 delivered)"))
        << lines[0];
    EXPECT_NE(lines[0].find("--trigger"), std::string::npos) << lines[0];
    EXPECT_EQ(readBytes(path("settings.reg")), before);
}

TEST_F(CamcapSettingsTest, HelpNamesEveryOptionInEightyColumns) {
    const ToolRun run = camcap({"--help"});
    EXPECT_EQ(run.exitStatus, 0);
    for (const std::string& line : linesOf(run.out)) {
        EXPECT_LE(line.size(), 80u) << line;
    }
    for (const char* option : {"--frames", "--out", "--format", "--set", "--get", "--list", "--roi",
                               "--registry", "--pcap", "--scene", "--rate", "--trigger"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
