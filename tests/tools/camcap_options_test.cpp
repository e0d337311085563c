// camcap's command line: defaults, the repeatable requests in order, the
// region checked against the sensor.
#include "camcap_options.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "support/ledger_test.h"

namespace {

std::optional<CamcapOptions> parse(std::vector<const char*> args) {
    args.insert(args.begin(), "camcap");
    return parseCamcapOptions(static_cast<int>(args.size()), args.data());
}

class CamcapOptionsTest : public LedgerTest {};

TEST_F(CamcapOptionsTest, TheDefaultsCaptureTenPngsIntoFrames) {
    const auto options = parse({});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->frames, 10u);
    EXPECT_EQ(options->outDir, "frames");
    EXPECT_EQ(options->format, ImageFormat::kPng);
    EXPECT_EQ(options->rate, 30u);
    EXPECT_FALSE(options->trigger || options->list || options->roi || options->registryFile ||
                 options->pcapFile || options->sceneFile);
    EXPECT_TRUE(options->capturing());
}

TEST_F(CamcapOptionsTest, RequestsKeepTheirOrder) {
    const auto options =
        parse({"--set", "HUE=5", "--get", "hue", "--set", "ROI=0,0,64,64", "--get", "EXPOSURE"});
    ASSERT_TRUE(options);
    ASSERT_EQ(options->sets.size(), 2u);
    EXPECT_EQ(options->sets[0].property->id, ULONG{CAMPROP_HUE});
    EXPECT_EQ(options->sets[1].numbers, (std::vector<std::int64_t>{0, 0, 64, 64}));
    ASSERT_EQ(options->gets.size(), 2u);
    EXPECT_EQ(options->gets[1].property->id, ULONG{CAMPROP_EXPOSURE});
    EXPECT_FALSE(options->gets[0].set);
}

TEST_F(CamcapOptionsTest, ListAndNoFramesMeanNoCapture) {
    EXPECT_FALSE(parse({"--list"})->capturing());
    EXPECT_FALSE(parse({"--frames", "0"})->capturing());
    EXPECT_TRUE(parse({"--frames", "1"})->capturing());
}

TEST_F(CamcapOptionsTest, FormatsByName) {
    EXPECT_EQ(parseImageFormat("bmp"), ImageFormat::kBmp);
    EXPECT_EQ(parseImageFormat("bgrx"), ImageFormat::kBgrx);
    EXPECT_THROW(parseImageFormat(".png"), std::runtime_error);
    EXPECT_THROW(parseImageFormat("PNGX"), std::runtime_error);
}

TEST_F(CamcapOptionsTest, TheRegionMustLieInsideTheSensor) {
    const CaptureRegion region = parseCaptureRegion("2,4,1272,952");
    EXPECT_EQ(region.x, 2);
    EXPECT_EQ(region.height, 952);
    const PropertyRequest request = regionRequest(region);
    EXPECT_EQ(request.property->id, ULONG{CAMPROP_ROI});
    EXPECT_TRUE(request.set);
    EXPECT_EQ(request.numbers, (std::vector<std::int64_t>{2, 4, 1272, 952}));
    for (const char* bad : {"0,0,1281,8", "8,0,1280,8", "0,953,8,8", "0,0,7,8", "0,0,8,0",
                            "-2,0,8,8", "0,0,8", "a,0,8,8", ""}) {
        EXPECT_THROW(parseCaptureRegion(bad), std::runtime_error) << bad;
    }
}

}  // namespace
