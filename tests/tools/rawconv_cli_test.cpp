// rawconv end to end, run as a user runs it.
#include <cstdint>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "support/ledger_test.h"
#include "tool_process.h"

namespace {

class RawconvCliTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        writeBytes(scratch / "grey.raw", std::vector<unsigned char>(16 * 8, 128));
    }

    ToolRun rawconv(std::vector<std::string> args) {
        return runToolProcess(RAWCONV_PATH, args, scratch.path());
    }
    std::string path(const std::string& name) const { return (scratch / name).string(); }

    ScratchDir scratch;
};

TEST_F(RawconvCliTest, FlatGreyGivesTheMatrixColumnSums) {
    const ToolRun run = rawconv(
        {"--in", path("grey.raw"), "--width", "16", "--height", "8", "--out", path("grey.bgrx")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    std::vector<unsigned char> want;
    for (int i = 0; i < 16 * 8; ++i) {
        want.insert(want.end(), {130, 128, 128, 255});
    }
    EXPECT_EQ(readBytes(scratch / "grey.bgrx"), want);
}

TEST_F(RawconvCliTest, PrintsTheDefaultMatrix) {
    const ToolRun run = rawconv({"--in", path("grey.raw"), "--width", "16", "--height", "8",
                                 "--print-matrix", "--out", path("grey.png")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "87 -16 -6 0\n-14 90 -20 0\n-9 -10 91 0\n0 0 0 64\n");
}

TEST_F(RawconvCliTest, PrintsTheClampedGains) {
    const ToolRun run = rawconv({"--in", path("grey.raw"), "--width", "16", "--height", "8",
                                 "--gains", "600,0,-5", "--print-gains", "--out", path("g.bmp")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "gains 512 1 1\n");
}

TEST_F(RawconvCliTest, WritesABitmapOfTheRegion) {
    const ToolRun run = rawconv({"--in", path("grey.raw"), "--width", "16", "--height", "8",
                                 "--roi", "0,0,8,8", "--out", path("grey.bmp")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(readBytes(scratch / "grey.bmp").size(), 54u + 8 * 8 * 4);
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"grey.bmp", "grey.raw"}));
}

TEST_F(RawconvCliTest, HelpDescribesEveryOption) {
    const ToolRun run = rawconv({"--help"});
    ASSERT_EQ(run.exitStatus, 0);
    for (const char* option :
         {"--in", "--width", "--height", "--pitch", "--roi", "--phase", "--color",
          "--white-balance", "--gains", "--color-correction", "--brightness", "--contrast",
          "--saturation", "--hue", "--print-matrix", "--print-gains", "--out"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
