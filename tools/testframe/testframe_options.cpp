#include "testframe_options.h"

#include <string>

#include "command_line.h"
#include "integer_args.h"

namespace {

constexpr long long kMaxDimension = 32768;

constexpr const char* kFooter = R"(
The scene: eight colour bars across the top 40 % (white, yellow, cyan, green,
magenta, red, blue, black at 75 %), a grey ramp from black to white below
them, and a colour wheel on neutral grey filling the rest. Each photosite
holds the scene's value for the colour the phase puts there. The file is the
bare frame: width*height bytes, rows width bytes apart, no header.

On any error testframe prints one line on stderr and exits with status 2,
leaving no output file.)";

struct RawArguments {
    std::string out, width = "1280", height = "960", phase = "2";
};

}  // namespace

std::optional<TestframeOptions> parseTestframeOptions(int argc, const char* const* argv) {
    CLI::App app{"Writes the built-in synthetic test scene as a raw 8-bit Bayer frame.",
                 "testframe"};
    app.footer(kFooter);
    RawArguments a;
    app.add_option("--out", a.out, "Raw frame to write.")->required()->type_name("FILE");
    app.add_option("--width", a.width, "Width in photosites, 1..32768. Default 1280.")
        ->type_name("W");
    app.add_option("--height", a.height, "Height in rows, 1..32768. Default 960.")->type_name("H");
    app.add_option("--phase", a.phase,
                   "Bayer arrangement of the top-left 2x2 block: 0 GRBG, 1 BGGR, 2 RGGB "
                   "(row 0 R G R G..., row 1 G B G B...), 3 GBRG. Default 2.")
        ->type_name("N");
    useHelpLayout(app);
    if (!parseCommandLine(app, argc, argv)) {
        return std::nullopt;
    }
    TestframeOptions options{};
    options.output = a.out;
    options.width = static_cast<std::uint32_t>(parseInteger("--width", a.width, 1, kMaxDimension));
    options.height =
        static_cast<std::uint32_t>(parseInteger("--height", a.height, 1, kMaxDimension));
    options.phase = static_cast<std::int32_t>(parseInteger("--phase", a.phase, 0, 3));
    return options;
}
