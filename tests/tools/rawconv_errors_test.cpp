// rawconv's bad-input convention: exit status 2, one "rawconv: ..." line on
// stderr naming the problem, and no output file, not even a partial one.
#include <string>
#include <vector>

#include "bad_use.h"
#include "scratch_dir.h"
#include "support/ledger_test.h"
#include "tool_process.h"

namespace {

class RawconvErrorsTest : public LedgerTest, public ::testing::WithParamInterface<BadUse> {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        writeBytes(scratch / "frame.raw", std::vector<unsigned char>(16 * 8, 128));
    }

    std::vector<std::string> argsOf(const BadUse& use) const {
        std::vector<std::string> args;
        for (const std::string& arg : use.args) {
            args.push_back(arg.starts_with("@") ? scratch.path().string() + arg.substr(1) : arg);
        }
        return args;
    }

    ScratchDir scratch;
};

TEST_P(RawconvErrorsTest, FailsWithOneLineAndNoOutput) {
    const ToolRun run = runToolProcess(RAWCONV_PATH, argsOf(GetParam()), scratch.path());
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> lines = linesOf(run.err);
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_TRUE(lines[0].starts_with("rawconv: ")) << lines[0];
    EXPECT_NE(lines[0].find(GetParam().mentions), std::string::npos) << lines[0];
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"frame.raw"});
}

const std::vector<std::string> kFrame{"--in", "@/frame.raw", "--width", "16", "--height", "8"};

std::vector<std::string> with(std::vector<std::string> extra,
                              std::vector<std::string> base = kFrame) {
    base.insert(base.end(), extra.begin(), extra.end());
    return base;
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, RawconvErrorsTest,
    ::testing::Values(
        BadUse{"MissingFile",
               {"--in", "@/none.raw", "--width", "16", "--height", "8", "--out", "@/o.bgrx"},
               "none.raw"},
        BadUse{
            "ShortFile",
            with({"--height", "9", "--out", "@/o.bgrx"}, {"--in", "@/frame.raw", "--width", "16"}),
            "holds 128 bytes"},
        BadUse{"ShortFileWithPitch", with({"--pitch", "17", "--out", "@/o.png"}), "needs 135"},
        BadUse{"PitchBelowWidth", with({"--pitch", "15", "--out", "@/o.png"}), "--pitch"},
        BadUse{"RoiOutside", with({"--roi", "10,0,8,8", "--out", "@/o.bgrx"}), "--roi"},
        BadUse{"RoiEmpty", with({"--roi", "0,0,0,8", "--out", "@/o.bgrx"}), "--roi"},
        BadUse{"UnknownExtension", with({"--out", "@/o.jpg"}), ".jpg"},
        BadUse{"NonNumericWidth",
               {"--in", "@/frame.raw", "--width", "wide", "--height", "8", "--out", "@/o.bmp"},
               "--width"},
        BadUse{"NonNumericGain", with({"--gains", "1,x,3", "--out", "@/o.bmp"}), "--gains"},
        BadUse{"HugeHue", with({"--hue", "99999999999", "--out", "@/o.bmp"}), "--hue"},
        BadUse{"MissingOut", kFrame, "--out"},
        BadUse{"MissingDirectory", with({"--out", "@/no/o.bmp"}), "o.bmp"},
        BadUse{"UnknownOption", with({"--gamma", "2", "--out", "@/o.bmp"}), "--gamma"}),
    [](const ::testing::TestParamInfo<BadUse>& param) { return std::string(param.param.name); });

}  // namespace
