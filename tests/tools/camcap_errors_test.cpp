// camcap's bad-input convention: exit status 2, one "camcap: ..." line on
// stderr naming the problem, nothing on stdout, nothing written: no frame
// directory, no pcap, the registry file as it was.
#include <string>
#include <vector>

#include "atomic_file.h"
#include "bad_use.h"
#include "camcap_fixture.h"
#include "png_writer.h"

namespace {

class CamcapErrorsTest : public CamcapTest, public ::testing::WithParamInterface<BadUse> {
  protected:
    void SetUp() override {
        CamcapTest::SetUp();
        const std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n";
        writeBytes(scratch / "settings.reg", {reg.begin(), reg.end()});
        writeBytes(scratch / "bad.reg", {'n', 'o', 't', '\n'});
        writeBytes(scratch / "plain", {1});
        const std::vector<std::uint8_t> pixels(2 * 2 * 4, 128);
        writeFileAtomically(scratch / "small.png", encodePng({pixels.data(), 2, 2}));
        before_ = scratch.entries();
    }

    // The use's arguments, with the frames, the pcap and the settings file
    // pointed into the scratch directory unless it names them itself.
    std::vector<std::string> argsOf(const BadUse& use) const {
        std::vector<std::string> args;
        for (const std::string& arg : use.args) {
            args.push_back(arg.starts_with("@") ? path(arg.substr(2)) : arg);
        }
        for (const char* option : {"--out", "--pcap", "--registry"}) {
            if (std::find(args.begin(), args.end(), option) == args.end()) {
                const std::string name = std::string(option) == "--out"    ? "frames"
                                         : std::string(option) == "--pcap" ? "run.pcap"
                                                                           : "settings.reg";
                args.insert(args.end(), {option, path(name)});
            }
        }
        return args;
    }

    std::vector<std::string> before_;
};

TEST_P(CamcapErrorsTest, FailsWithOneLineAndWritesNothing) {
    const auto settings = readBytes(scratch / "settings.reg");
    const ToolRun run = camcap(argsOf(GetParam()));
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> lines = linesOf(run.err);
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_TRUE(lines[0].starts_with("camcap: ")) << lines[0];
    EXPECT_NE(lines[0].find(GetParam().mentions), std::string::npos) << lines[0];
    EXPECT_EQ(scratch.entries(), before_);
    EXPECT_EQ(readBytes(scratch / "settings.reg"), settings);
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, CamcapErrorsTest,
    ::testing::Values(
        BadUse{"UnknownProperty", {"--set", "NOSUCH=1"}, "'NOSUCH' is not a camera property"},
        BadUse{"ReadOnlySet", {"--set", "EXPOSURE_MIN=4"}, "EXPOSURE_MIN cannot be set"},
        BadUse{"SetWithoutValue", {"--set", "EXPOSURE"}, "not NAME=VALUE"},
        BadUse{"WriteOnlyGet", {"--get", "ROI"}, "ROI cannot be read"},
        BadUse{"BadValue", {"--set", "CONTRAST=abc"}, "CONTRAST: 'abc' is not an integer"},
        BadUse{"RefusedSet", {"--set", "REGISTER_WRITE=2000,1"}, "REGISTER_WRITE: the driver"},
        BadUse{"RoiOfThree", {"--roi", "1,2,3"}, "--roi: expects 4"},
        BadUse{"RoiOutside", {"--roi", "1200,0,200,100"}, "does not fit"},
        BadUse{"RoiTooSmall", {"--roi", "0,0,4,100"}, "smaller than 8 x 8"},
        BadUse{"Format", {"--format", "jpg"}, "--format: 'jpg'"},
        BadUse{"Frames", {"--frames", "many"}, "--frames"},
        BadUse{"Rate", {"--rate", "1001"}, "--rate"},
        BadUse{"OutIsAFile", {"--out", "@/plain"}, "is not a directory"},
        BadUse{"OutUnderAFile", {"--out", "@/plain/frames"}, "cannot make"},
        BadUse{"PcapDirectoryMissing", {"--pcap", "@/missing/run.pcap"}, "does not exist"},
        BadUse{"MalformedRegistry", {"--registry", "@/bad.reg"}, "line 1"},
        BadUse{"SceneOfAnotherSize", {"--scene", "@/small.png"}, "is 2 x 2, not 1280 x 960"},
        BadUse{"SceneMissing", {"--scene", "@/none.png"}, "cannot be opened"}),
    [](const ::testing::TestParamInfo<BadUse>& param) { return std::string(param.param.name); });

}  // namespace
