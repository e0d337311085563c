// Command line of camctl.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "property_request.h"

struct CamctlOptions {
    std::optional<std::filesystem::path> registryFile;
    std::optional<std::filesystem::path> driverImage;  // none: the built-in driver
    bool list = false;                                 // print every readable setting
    std::vector<PropertyRequest> requests;
};

// Parses the command line; nullopt when help was printed. Throws
// std::runtime_error with a one-line message for bad input, before
// anything has run.
std::optional<CamctlOptions> parseCamctlOptions(int argc, const char* const* argv);
