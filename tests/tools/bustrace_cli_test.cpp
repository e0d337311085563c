// bustrace end to end: a USBPcap file of the driver configuring, querying
// and reading from the simulated camera; errors follow the tools' convention.
#include <cstdint>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "support/ledger_test.h"
#include "tool_process.h"

namespace {

std::uint32_t little32(const std::vector<unsigned char>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

class BustraceCliTest : public LedgerTest {
  protected:
    ScratchDir scratch;
};

TEST_F(BustraceCliTest, WritesAUsbPcapCaptureOfTheRun) {
    const std::string out = (scratch / "run.pcap").string();
    const ToolRun run = runToolProcess(BUSTRACE_PATH, {"--out", out}, scratch.path());
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("1 of 1 frames read"), std::string::npos) << run.out;
    const auto file = readBytes(out);
    ASSERT_GT(file.size(), 1228800u);  // the whole frame crossed the bus
    EXPECT_EQ(little32(file, 0), 0xA1B2C3D4u);
    EXPECT_EQ(little32(file, 20), 249u);
    EXPECT_EQ(scratch.entries().size(), 1u);  // no partial file left beside it
}

TEST_F(BustraceCliTest, AnUnwritableFileIsOneLineAndNoOutput) {
    const std::string out = (scratch / "missing" / "run.pcap").string();
    const ToolRun run =
        runToolProcess(BUSTRACE_PATH, {"--out", out, "--frames", "0"}, scratch.path());
    EXPECT_EQ(run.exitStatus, 2);
    ASSERT_EQ(linesOf(run.err).size(), 1u) << run.err;
    EXPECT_TRUE(run.err.starts_with("bustrace: ")) << run.err;
    EXPECT_TRUE(scratch.entries().empty());
}

}  // namespace
