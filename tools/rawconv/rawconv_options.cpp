#include "rawconv_options.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "command_line.h"
#include "integer_args.h"

namespace {

constexpr long long kLongMin = std::numeric_limits<std::int32_t>::min();
constexpr long long kLongMax = std::numeric_limits<std::int32_t>::max();

// Every option as text; numbers are converted strictly afterwards.
struct RawArguments {
    std::string in, out, width, height, pitch, roi, gains;
    std::string phase = "2", color = "1", whiteBalance = "0", colorCorrection = "1";
    std::string brightness = "255", contrast = "10", saturation = "10", hue = "0";
    bool printMatrix = false;
    bool printGains = false;
};

constexpr const char* kFooter = R"(
All values are decimal integers. Settings outside their range are clamped as
the driver's settings store clamps them: a gain above 512 becomes 512, one of
0 or below becomes 1; brightness is held to 0..510, contrast and saturation
to 0..20; a hue below 0 becomes 0 and one of 360 or above becomes 359.
--color, --white-balance and --color-correction take any integer and pass
it on unchanged: 0 is off, anything else on.

On any error rawconv prints one line on stderr and exits with status 2,
leaving no output file (an existing one is left as it was).)";

void addFrameOptions(CLI::App& app, RawArguments& a) {
    app.add_option("--in", a.in,
                   "Raw 8-bit Bayer frame, one byte a photosite, rows --pitch bytes apart. "
                   "Must hold at least (height-1)*pitch + width bytes; more is ignored.")
        ->required()
        ->type_name("FILE");
    app.add_option("--width", a.width, "Frame width in photosites, 1..32768.")
        ->required()
        ->type_name("W");
    app.add_option("--height", a.height, "Frame height in rows, 1..32768.")
        ->required()
        ->type_name("H");
    app.add_option("--pitch", a.pitch,
                   "Bytes from one row to the next, width..32768. Default: the width.")
        ->type_name("P");
    app.add_option("--roi", a.roi,
                   "Region to convert: left X, top Y, width W, height H in photosites; its "
                   "first photosite is byte Y*pitch+X. It must lie inside the frame. "
                   "Default: the whole frame.")
        ->type_name("X,Y,W,H");
}

void addColourOptions(CLI::App& app, RawArguments& a) {
    app.add_option("--phase", a.phase,
                   "Bayer arrangement of the region's top-left 2x2 block (an odd X or Y "
                   "in --roi shifts the frame's): 0 GRBG, 1 BGGR, "
                   "2 RGGB, 3 GBRG; any other value is passed on as is and converts as GBRG. "
                   "Default 2.")
        ->type_name("N");
    app.add_option("--color", a.color, "0: grey output; non-zero: colour. Default 1.")
        ->type_name("0|1");
    app.add_option("--white-balance", a.whiteBalance,
                   "Non-zero: grey-world white balance; the pipeline measures the frame and "
                   "converts it with red and blue gains of its own and green 128, replacing "
                   "--gains. Default 0.")
        ->type_name("0|1");
    app.add_option("--gains", a.gains,
                   "Red, green, blue gains in 1/128 units (128 is 1.0), each clamped to "
                   "1..512. Default 128,128,128.")
        ->type_name("R,G,B");
    app.add_option("--color-correction", a.colorCorrection,
                   "Non-zero: apply the sensor's fixed colour correction. Default 1.")
        ->type_name("0|1");
}

void addToneOptions(CLI::App& app, RawArguments& a) {
    app.add_option("--brightness", a.brightness,
                   "Adds N - 255 to every channel (after colour correction and contrast); "
                   "0..510. Default 255 (no change).")
        ->type_name("N");
    app.add_option("--contrast", a.contrast,
                   "Contrast about mid-grey 128, factor 1 + (N - 10)/10; 0..20. Default 10 "
                   "(no change).")
        ->type_name("N");
    app.add_option("--saturation", a.saturation,
                   "Saturation factor 1 + (N - 10)/10 (0 gives grey); 0..20. Default 10 "
                   "(no change).")
        ->type_name("N");
    app.add_option("--hue", a.hue, "Hue rotation in degrees, 0..359. Default 0.")->type_name("N");
}

void addOutputOptions(CLI::App& app, RawArguments& a) {
    app.add_flag("--print-matrix", a.printMatrix,
                 "Print the colour matrix the frame used: 4 lines of 4 integers in 1/64 "
                 "units, rows the inputs R, G, B and the constant 1, columns the outputs "
                 "R, G, B and an unused fourth.");
    app.add_flag("--print-gains", a.printGains,
                 "Print 'gains R G B', the gains the frame was converted with (the measured "
                 "ones when --white-balance is on).");
    app.add_option("--out", a.out,
                   "Output image, format by extension: .bgrx the pipeline's buffer as is "
                   "(W*H*4 bytes B,G,R,X, top row first); .bmp a 32-bit bottom-up bitmap as "
                   "the driver's capture pin delivers it; .png 8-bit RGB.")
        ->required()
        ->type_name("FILE");
}

std::int32_t toLong(const char* option, const std::string& text) {
    return static_cast<std::int32_t>(parseInteger(option, text, kLongMin, kLongMax));
}

FrameLayout frameFrom(const RawArguments& a) {
    FrameLayout frame{};
    frame.width =
        static_cast<std::uint32_t>(parseInteger("--width", a.width, 1, kMaxFrameDimension));
    frame.height =
        static_cast<std::uint32_t>(parseInteger("--height", a.height, 1, kMaxFrameDimension));
    frame.pitch =
        a.pitch.empty()
            ? frame.width
            : static_cast<std::uint32_t>(parseInteger("--pitch", a.pitch, 1, kMaxFrameDimension));
    if (frame.pitch < frame.width) {
        throw std::runtime_error("--pitch: " + a.pitch + " is less than the width " + a.width);
    }
    return frame;
}

Region regionFrom(const RawArguments& a, const FrameLayout& frame) {
    if (a.roi.empty()) {
        return {0, 0, frame.width, frame.height};
    }
    const auto v = parseIntegerList("--roi", a.roi, 4, 0, kMaxFrameDimension);
    const Region region{static_cast<std::uint32_t>(v[0]), static_cast<std::uint32_t>(v[1]),
                        static_cast<std::uint32_t>(v[2]), static_cast<std::uint32_t>(v[3])};
    if (!region.fitsIn(frame)) {
        throw std::runtime_error("--roi: region " + a.roi + " does not lie inside the " + a.width +
                                 "x" + a.height + " frame");
    }
    return region;
}

PipelineSettings settingsFrom(const RawArguments& a) {
    PipelineSettings s;
    s.phase = toLong("--phase", a.phase);
    s.color = toLong("--color", a.color);
    s.whiteBalance = toLong("--white-balance", a.whiteBalance);
    if (!a.gains.empty()) {
        const auto g = parseIntegerList("--gains", a.gains, 3, kLongMin, kLongMax);
        s.redGain = static_cast<std::int32_t>(g[0]);
        s.greenGain = static_cast<std::int32_t>(g[1]);
        s.blueGain = static_cast<std::int32_t>(g[2]);
    }
    s.colorCorrection = toLong("--color-correction", a.colorCorrection);
    s.brightness = toLong("--brightness", a.brightness);
    s.contrast = toLong("--contrast", a.contrast);
    s.saturation = toLong("--saturation", a.saturation);
    s.hue = toLong("--hue", a.hue);
    return clampSettings(s);
}

ImageFormat formatFrom(const std::filesystem::path& out) {
    const std::optional<ImageFormat> format = imageFormatForPath(out);
    if (!format) {
        const std::string ext = out.extension().string();
        throw std::runtime_error(
            "--out: " + out.string() + " has " +
            (ext.empty() ? "no extension" : "unknown extension '" + ext + "'") +
            "; use .bgrx, .bmp or .png");
    }
    return *format;
}

}  // namespace

std::optional<RawconvOptions> parseRawconvOptions(int argc, const char* const* argv) {
    CLI::App app{
        "Converts a raw 8-bit Bayer frame to a colour image with the camera\n"
        "driver's own conversion pipeline.",
        "rawconv"};
    app.footer(kFooter);
    RawArguments a;
    addFrameOptions(app, a);
    addColourOptions(app, a);
    addToneOptions(app, a);
    addOutputOptions(app, a);
    useHelpLayout(app);
    if (!parseCommandLine(app, argc, argv)) {
        return std::nullopt;
    }
    RawconvOptions options{};
    options.input = a.in;
    options.output = a.out;
    options.outputFormat = formatFrom(options.output);
    options.frame = frameFrom(a);
    options.region = regionFrom(a, options.frame);
    options.settings = settingsFrom(a);
    options.printMatrix = a.printMatrix;
    options.printGains = a.printGains;
    return options;
}
