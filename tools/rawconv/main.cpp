// rawconv: converts a raw 8-bit Bayer file with the driver's own pipeline.
// See `rawconv --help`.
#include <iostream>

#include "atomic_file.h"
#include "conversion_run.h"
#include "raw_file.h"
#include "rawconv_options.h"
#include "tool_main.h"

namespace {

void printMatrix(const ConversionResult& result) {
    for (const auto& row : result.matrix) {
        std::cout << row[0] << ' ' << row[1] << ' ' << row[2] << ' ' << row[3] << '\n';
    }
}

void printGains(const ConversionResult& result) {
    std::cout << "gains " << result.gains[0] << ' ' << result.gains[1] << ' ' << result.gains[2]
              << '\n';
}

int run(int argc, const char* const* argv) {
    const std::optional<RawconvOptions> options = parseRawconvOptions(argc, argv);
    if (!options) {
        return 0;  // help printed
    }
    const std::vector<std::uint8_t> raw = readRawFrame(options->input, options->frame);
    const ConversionResult result =
        convertRegion(raw, options->frame, options->region, options->settings);
    const BgrxImageView image{result.bgrx.data(), options->region.width, options->region.height};
    writeFileAtomically(options->output, encodeImage(options->outputFormat, image));
    if (options->printMatrix) {
        printMatrix(result);
    }
    if (options->printGains) {
        printGains(result);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runTool("rawconv", [&] { return run(argc, argv); });
}
