#include "bustrace_options.h"

#include "command_line.h"
#include "integer_args.h"

namespace {

constexpr const char* kFooter = R"(
The run: the driver's USB transport configures the simulated camera on the
stand-in bus (device and configuration descriptors, SET_CONFIGURATION),
queries its clock mode (GetParameter 15: one command packet, two reply
packets) and reads the frames (FrameRequest, the 0x02/0x03 read-control
bracket and nineteen bulk IN requests a frame). Every transfer is captured
at submission and at completion and written as a pcap file with link type
USBPcap (249), which Wireshark and tshark decode.

On any error bustrace prints one line on stderr and exits with status 2,
leaving no output file.)";

}  // namespace

std::optional<BustraceOptions> parseBustraceOptions(int argc, const char* const* argv) {
    CLI::App app{"Captures the driver talking to the simulated camera as a USBPcap file.",
                 "bustrace"};
    app.footer(kFooter);
    std::string out, frames = "1";
    app.add_option("--out", out, "pcap file to write.")->required()->type_name("FILE");
    app.add_option("--frames", frames, "Frames to read, 0..100. Default 1.")->type_name("N");
    useHelpLayout(app);
    if (!parseCommandLine(app, argc, argv)) {
        return std::nullopt;
    }
    BustraceOptions options;
    options.output = out;
    options.frames = static_cast<std::uint32_t>(parseInteger("--frames", frames, 0, 100));
    return options;
}
