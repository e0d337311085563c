#include "camcap_options.h"

#include <stdexcept>
#include <string>

#include "command_line.h"
#include "integer_args.h"

namespace {

constexpr const char* kFooter = R"(
The run: the driver is loaded on the stand-in kernel, the simulated camera
plugged in and the device started (start-up sequence, stored settings).
camcap opens the capture filter, applies the --set requests in order, then
--roi and --trigger, prints --get and --list, negotiates RGB32 at the
region, runs the pin and writes DIR/frame_0000.png, frame_0001.png, ...,
each file complete or not at all. png and bmp show the picture upright
(png compressed for speed rather than size); bgrx is the bare pixels,
B G R X, top row first (as rawconv's .bgrx).

Names are the camera properties' (camcap --list shows them), matched
ignoring case and underscores. Values are decimal; ROI, REGISTER_WRITE and
RAW_COMMAND take several, comma-separated (camctl --help). The driver
clamps out-of-range values silently. --trigger sets EXTRIGGER=1, so that
each frame waits for the camera's external trigger, and fires it once for
each frame wanted; nothing else fires it.

With --registry the settings are read before the device starts (a missing
file is a first start) and written after a successful run, in regedit's
format.

The driver is the one built into camcap unless --driver names a Windows
kernel image (build/windows/driver/bayercam.sys, from the `windows` build):
that file, exactly as Windows would load it, is then mapped into camcap,
bound to the stand-in kernel, USB stack and streaming class, and run in
place of the built-in driver. An image that needs something the stand-in
does not provide is refused before anything runs.

Progress goes to stderr (one line updated in place on a terminal, a line
every five seconds otherwise). The summary goes to stdout: frames
delivered, frames the driver's capture worker dropped (read while no
buffer was waiting), stream buffers too small, frame reads that failed,
frames per second from the first frame to the last, and the files.

Exit status: 0 on success; 2 for bad input, a setting the driver refused,
a failed start or a frame that did not come in time (a few seconds past
the frame time and the driver's TIMEOUT). Nothing is written before the
stream starts. A failed run keeps the frames it wrote, leaves the registry
file as it was and, if frames stopped coming, still writes the --pcap
trace, which shows why.)";

struct RawArguments {
    std::string frames = "10";
    std::string out = "frames";
    std::string format = "png";
    std::vector<std::string> sets;
    std::vector<std::string> gets;
    std::string roi;
    std::string registry;
    std::string pcap;
    std::string scene;
    std::string rate = "30";
    std::string driver;
};

void addOptions(CLI::App& app, RawArguments& raw, CamcapOptions& options) {
    app.add_option("--frames", raw.frames,
                   "Frames to capture, 0..1000000 (0: settings only). "
                   "Default 10.")
        ->type_name("N");
    app.add_option("--out", raw.out, "Directory for the frames, made if missing. Default ./frames.")
        ->type_name("DIR");
    app.add_option("--format", raw.format, "png, bmp or bgrx. Default png.")->type_name("FORMAT");
    app.add_option("--set", raw.sets, "Change a setting before the stream starts; repeatable.")
        ->type_name("NAME=VALUE");
    app.add_option("--get", raw.gets, "Print NAME=VALUE once the settings are made; repeatable.")
        ->type_name("NAME");
    app.add_flag("--list", options.list,
                 "Print every setting with its access, value, minimum, maximum and default, "
                 "and capture nothing.");
    app.add_option("--roi", raw.roi,
                   "Part of the 1280 x 960 sensor to deliver (kept, like every setting, with "
                   "--registry).")
        ->type_name("X,Y,W,H");
    app.add_option("--registry", raw.registry, "Settings file (.reg) to load and save.")
        ->type_name("FILE");
    app.add_option("--pcap", raw.pcap, "Write the run's USB traffic as a USBPcap file.")
        ->type_name("FILE");
    app.add_option("--scene", raw.scene,
                   "What the camera sees: a 1280 x 960 PNG, a binary PPM (P6) of that size or "
                   "a raw Bayer frame (RGGB, 1228800 bytes).")
        ->type_name("FILE");
    app.add_option("--rate", raw.rate,
                   "Camera frames per second, 1..1000, or 0 for as fast as it goes. Default 30.")
        ->type_name("FPS");
    app.add_flag("--trigger", options.trigger,
                 "External trigger mode: camcap triggers each frame.");
    app.add_option("--driver", raw.driver,
                   "Run this Windows kernel image (bayercam.sys) on the stand-in instead of "
                   "the built-in driver.")
        ->type_name("FILE.sys");
}

std::optional<std::filesystem::path> optionalPath(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::filesystem::path>(text);
}

PropertyRequest parseSet(const std::string& argument) {
    if (argument.find('=') == std::string::npos) {
        throw std::runtime_error("--set: '" + argument + "' is not NAME=VALUE");
    }
    return parsePropertyRequest(argument);
}

PropertyRequest parseGet(const std::string& argument) {
    if (argument.find('=') != std::string::npos) {
        throw std::runtime_error("--get: '" + argument + "' is a set; --set makes settings");
    }
    return parsePropertyRequest(argument);
}

void convert(const RawArguments& raw, CamcapOptions& options) {
    options.frames = static_cast<std::uint32_t>(parseInteger("--frames", raw.frames, 0, 1000000));
    options.rate = static_cast<std::uint32_t>(parseInteger("--rate", raw.rate, 0, 1000));
    options.format = parseImageFormat(raw.format);
    if (raw.out.empty()) {
        throw std::runtime_error("--out: the directory name is empty");
    }
    options.outDir = raw.out;
    for (const std::string& set : raw.sets) {
        options.sets.push_back(parseSet(set));
    }
    for (const std::string& get : raw.gets) {
        options.gets.push_back(parseGet(get));
    }
    if (!raw.roi.empty()) {
        options.roi = parseCaptureRegion(raw.roi);
    }
    options.registryFile = optionalPath(raw.registry);
    options.pcapFile = optionalPath(raw.pcap);
    options.sceneFile = optionalPath(raw.scene);
    options.driverImage = optionalPath(raw.driver);
}

}  // namespace

ImageFormat parseImageFormat(std::string_view text) {
    for (ImageFormat format : {ImageFormat::kPng, ImageFormat::kBmp, ImageFormat::kBgrx}) {
        if (text == imageFormatExtension(format) + 1) {  // the extension without its dot
            return format;
        }
    }
    throw std::runtime_error("--format: '" + std::string(text) + "' is not png, bmp or bgrx");
}

std::optional<CamcapOptions> parseCamcapOptions(int argc, const char* const* argv) {
    CLI::App app{"Streams frames from the camera through the driver and writes them as images.",
                 "camcap"};
    app.footer(kFooter);
    RawArguments raw;
    CamcapOptions options;
    addOptions(app, raw, options);
    useHelpLayout(app);
    if (!parseCommandLine(app, argc, argv)) {
        return std::nullopt;
    }
    convert(raw, options);
    return options;
}
