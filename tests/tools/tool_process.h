// Running a tool as a subprocess, as a user would, and collecting what it
// printed and how it ended.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ToolRun {
    int exitStatus;  // -1 if the tool did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args`; stdout and stderr go through files in
// `scratch` (removed afterwards).
ToolRun runToolProcess(const std::string& program, const std::vector<std::string>& args,
                       const std::filesystem::path& scratch);

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string& text);

// `--driver FILE` when the tests run on a kernel image (BAYERCAM_DRIVER_IMAGE
// names it), so the driver tools load it instead of their built-in driver;
// nothing otherwise.
std::vector<std::string> driverImageArguments();
