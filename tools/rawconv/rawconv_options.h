// rawconv's command line: what to read, which region to convert, the
// pipeline settings (clamped as the driver's settings store clamps them)
// and where to write.
#pragma once

#include <filesystem>
#include <optional>

#include "frame_geometry.h"
#include "image_file.h"
#include "pipeline_settings.h"

struct RawconvOptions {
    std::filesystem::path input;
    std::filesystem::path output;
    ImageFormat outputFormat;
    FrameLayout frame;
    Region region;
    PipelineSettings settings;
    bool printMatrix;
    bool printGains;
};

// Nullopt when --help was asked for (the help is then printed). Throws
// std::runtime_error naming the problem for any bad use: missing or unknown
// options, non-numeric values, a pitch below the width, a region outside
// the frame, an output extension other than .bgrx, .bmp or .png.
std::optional<RawconvOptions> parseRawconvOptions(int argc, const char* const* argv);
