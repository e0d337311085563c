// Command line of camcap.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "camera_property_request.h"
#include "capture_region.h"
#include "image_file.h"

struct CamcapOptions {
    std::uint32_t frames = 10;  // 0: settings only, no stream
    std::filesystem::path outDir = "frames";
    ImageFormat format = ImageFormat::kPng;
    std::vector<PropertyRequest> sets;  // in the order given
    std::vector<PropertyRequest> gets;
    bool list = false;  // print the settings table instead of capturing
    std::optional<CaptureRegion> roi;
    std::optional<std::filesystem::path> registryFile;
    std::optional<std::filesystem::path> pcapFile;
    std::optional<std::filesystem::path> sceneFile;
    std::optional<std::filesystem::path> driverImage;  // none: the built-in driver
    std::uint32_t rate = 30;  // camera frames per second; 0 as fast as it goes
    bool trigger = false;

    bool capturing() const { return frames > 0 && !list; }
};

// Parses the command line; nullopt when help was printed. Throws
// std::runtime_error with a one-line message for bad input, before
// anything has run.
std::optional<CamcapOptions> parseCamcapOptions(int argc, const char* const* argv);

// "png", "bmp" or "bgrx"; std::runtime_error naming --format otherwise.
ImageFormat parseImageFormat(std::string_view text);
