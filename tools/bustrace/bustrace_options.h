// Command line of bustrace.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct BustraceOptions {
    std::string output;
    std::uint32_t frames = 1;
};

// Parses the command line; nullopt when help was printed. Throws
// std::runtime_error with a one-line message for bad input.
std::optional<BustraceOptions> parseBustraceOptions(int argc, const char* const* argv);
