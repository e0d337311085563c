// What the camcap end-to-end tests share: the tool run as a subprocess on a
// camera pacing frames as fast as it can unless a test names a --rate (so
// runs take a fraction of a second), a scratch directory, and scenes made to order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "support/ledger_test.h"
#include "tool_process.h"

class CamcapTest : public LedgerTest {
  protected:
    ToolRun camcap(std::vector<std::string> args) {
        if (std::find(args.begin(), args.end(), "--rate") == args.end()) {
            args.insert(args.begin(), {"--rate", "0"});
        }
        const std::vector<std::string> driver = driverImageArguments();
        args.insert(args.begin(), driver.begin(), driver.end());
        return runToolProcess(CAMCAP_PATH, args, scratch.path());
    }
    std::string path(const std::string& name) const { return (scratch / name).string(); }

    // Writes a 1280 x 960 PNG whose rows above `split` are `top` (R, G, B)
    // and the others `bottom`; returns its path.
    std::string writeScene(const std::string& name, std::vector<std::uint8_t> top,
                           std::vector<std::uint8_t> bottom, std::uint32_t split = 480);

    // Settings under which the camera shows a scene exactly: the exposure
    // and gain of unity brightness, no colour correction.
    static std::vector<std::string> faithfulSettings() {
        return {"--set", "EXPOSURE=4", "--set", "GLOBALGAIN=450", "--set", "COLORCORRECTION=0"};
    }

    ScratchDir scratch;
};
