#include "camctl_options.h"

#include "command_line.h"

namespace {

constexpr const char* kFooter = R"(
Requests run in the order given, each through the capture filter's property
set as an application sends it:
  NAME         reads the property and prints NAME=VALUE
  NAME=VALUE   sets it; the driver clamps out-of-range values silently
Names are the camera properties' names (camctl --list prints the readable
ones with their values), matched ignoring case and underscores: EXPOSURE_MIN,
Exposure_Min and exposuremin are one property. Values are decimal. Some
take several, comma-separated:
  ROI=X,Y,WIDTH,HEIGHT     region of interest (refused silently while a
                           pin is open)
  REGISTER_WRITE=ADDR,VAL  camera register write
  RAW_COMMAND=B1,B2,...    raw camera command, up to 63 bytes are sent
  READ_BYTE=ADDR           selects the address; READ_BYTE then reads it

The driver runs on the simulated camera. With --registry the settings
persist: the file is loaded before the device starts (a missing file is a
first start) and, after the filter is closed and the device stopped (both
save the settings), rewritten in regedit's format, which Windows can import.

The driver is the one built into camctl unless --driver names a Windows
kernel image (build/windows/driver/bayercam.sys): that file is then loaded
into camctl on the stand-in kernel and streaming class and answers the
requests instead.

Exit status: 0 when every request succeeded, 1 when the driver refused
one (the others still run and the settings are still saved), 2 for bad
input or a failed start, in which case the registry file is not touched.)";

}  // namespace

std::optional<CamctlOptions> parseCamctlOptions(int argc, const char* const* argv) {
    CLI::App app{"Reads and changes the camera's settings through the driver.", "camctl"};
    app.footer(kFooter);
    std::string registry;
    std::string driver;
    std::vector<std::string> requests;
    CamctlOptions options;
    app.add_option("--registry", registry, "Settings file (.reg) to load and save.")
        ->type_name("FILE");
    app.add_flag("--list", options.list, "Print every readable setting as NAME=VALUE.");
    app.add_option("--driver", driver,
                   "Run this Windows kernel image (bayercam.sys) on the stand-in instead of "
                   "the built-in driver.")
        ->type_name("FILE.sys");
    app.add_option("requests", requests, "NAME to read, NAME=VALUE to set.")->type_name("REQUEST");
    useHelpLayout(app);
    if (!parseCommandLine(app, argc, argv)) {
        return std::nullopt;
    }
    if (!registry.empty()) {
        options.registryFile = registry;
    }
    if (!driver.empty()) {
        options.driverImage = driver;
    }
    for (const auto& request : requests) {
        options.requests.push_back(parsePropertyRequest(request));
    }
    return options;
}
