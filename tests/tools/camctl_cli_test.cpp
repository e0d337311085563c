// camctl end to end: settings through the driver's property set, kept
// between runs in a .reg file, and the tools' error convention.
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "support/ledger_test.h"
#include "tool_process.h"

namespace {

class CamctlCliTest : public LedgerTest {
  protected:
    ToolRun camctl(std::vector<std::string> args) {
        const std::vector<std::string> driver = driverImageArguments();
        args.insert(args.begin(), driver.begin(), driver.end());
        return runToolProcess(CAMCTL_PATH, args, scratch.path());
    }
    std::string registry() const { return (scratch / "settings.reg").string(); }
    ScratchDir scratch;
};

TEST_F(CamctlCliTest, SettingsPersistBetweenRunsThroughTheRegFile) {
    ToolRun run = camctl(
        {"--registry", registry(), "EXPOSURE=300", "hue=400", "Red_Gain=64", "ROI=3,5,100,100"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "");

    run = camctl({"--registry", registry(), "exposure", "HUE", "REDGAIN", "PIN_OPEN"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(linesOf(run.out),
              (std::vector<std::string>{"EXPOSURE=300", "HUE=359", "REDGAIN=64", "PIN_OPEN=0"}));

    const auto file = readBytes(registry());
    const std::string text(file.begin(), file.end());
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00", 0), 0u);
    EXPECT_NE(text.find("\"RoiX\"=dword:00000004"), std::string::npos) << text;
    EXPECT_NE(text.find("\"RoiW\"=dword:00000064"), std::string::npos) << text;
}

TEST_F(CamctlCliTest, ListPrintsEveryReadableSetting) {
    const ToolRun run = camctl({"--list"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const auto lines = linesOf(run.out);
    EXPECT_EQ(lines.size(), 56u);  // 61 less ROI, 47, 57, 59 and 60
    EXPECT_EQ(lines.front(), "EXTRIGGER=0");
    EXPECT_EQ(lines.back(), "REGISTER_READ=0");
}

TEST_F(CamctlCliTest, BadRequestsFailBeforeAnythingRunsAndLeaveTheFile) {
    ASSERT_EQ(camctl({"--registry", registry(), "CONTRAST=15"}).exitStatus, 0);
    const auto before = readBytes(registry());
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{"CONTRAST=3", "NOSUCHTHING"},
             std::vector<std::string>{"CONTRAST=3", "EXPOSURE_MIN=4"},
             std::vector<std::string>{"CONTRAST=3", "ROI"},
             std::vector<std::string>{"CONTRAST=3", "ROI=1,2,3"},
             std::vector<std::string>{"CONTRAST=abc"},
             std::vector<std::string>{"RAW_COMMAND=1,256"},
         }) {
        std::vector<std::string> full = {"--registry", registry()};
        full.insert(full.end(), args.begin(), args.end());
        const ToolRun run = camctl(full);
        EXPECT_EQ(run.exitStatus, 2) << args.back();
        EXPECT_EQ(linesOf(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("camctl: ", 0), 0u) << run.err;
    }
    EXPECT_EQ(readBytes(registry()), before);
}

TEST_F(CamctlCliTest, AMalformedRegFileIsReportedWithItsLineAndKept) {
    writeBytes(registry(), {'n', 'o', 't', ' ', 'r', 'e', 'g', '\n'});
    const ToolRun run = camctl({"--registry", registry(), "EXPOSURE=9"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.err.find("line 1"), std::string::npos) << run.err;
    EXPECT_EQ(readBytes(registry()).size(), 8u);
}

TEST_F(CamctlCliTest, ARefusedRequestIsReportedAndTheOthersStillRun) {
    const ToolRun run =
        camctl({"--registry", registry(), "REGISTER_WRITE=2000,1", "SATURATION=12", "SATURATION"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("REGISTER_WRITE"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "SATURATION=12\n");
    const ToolRun again = camctl({"--registry", registry(), "SATURATION"});
    EXPECT_EQ(again.out, "SATURATION=12\n") << "the settings were still saved";
}

TEST_F(CamctlCliTest, HelpDescribesTheRequests) {
    const ToolRun run = camctl({"--help"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_NE(run.out.find("NAME=VALUE"), std::string::npos);
    EXPECT_NE(run.out.find("--registry"), std::string::npos);
}

}  // namespace
