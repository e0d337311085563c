// testframe end to end: the file is the library's Bayer frame, and errors
// follow the tools' convention.
#include <cstdint>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "support/ledger_test.h"
#include "test_scene.h"
#include "tool_process.h"

namespace {

class TestframeCliTest : public LedgerTest {
  protected:
    ScratchDir scratch;
};

TEST_F(TestframeCliTest, WritesTheSceneThroughTheChosenPhase) {
    const std::string out = (scratch / "scene.raw").string();
    const ToolRun run = runToolProcess(
        TESTFRAME_PATH, {"--out", out, "--width", "64", "--height", "48", "--phase", "1"},
        scratch.path());
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    std::vector<std::uint8_t> want(64 * 48);
    fillBayerFrame(want.data(), 64, 48, 64, 1);
    EXPECT_EQ(readBytes(out), std::vector<unsigned char>(want.begin(), want.end()));
}

TEST_F(TestframeCliTest, DefaultsToTheSensorFrame) {
    const std::string out = (scratch / "scene.raw").string();
    const ToolRun run = runToolProcess(TESTFRAME_PATH, {"--out", out}, scratch.path());
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(readBytes(out).size(), 1280u * 960u);
}

TEST_F(TestframeCliTest, RejectsAnUnknownPhase) {
    const std::string out = (scratch / "scene.raw").string();
    const ToolRun run =
        runToolProcess(TESTFRAME_PATH, {"--out", out, "--phase", "4"}, scratch.path());
    EXPECT_EQ(run.exitStatus, 2);
    ASSERT_EQ(linesOf(run.err).size(), 1u) << run.err;
    EXPECT_TRUE(run.err.starts_with("testframe: --phase")) << run.err;
    EXPECT_TRUE(scratch.entries().empty());
}

}  // namespace
