// testframe's command line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

struct TestframeOptions {
    std::filesystem::path output;
    std::uint32_t width;
    std::uint32_t height;
    std::int32_t phase;
};

// Nullopt when --help was asked for (the help is then printed). Throws
// std::runtime_error naming the problem for any bad use.
std::optional<TestframeOptions> parseTestframeOptions(int argc, const char* const* argv);
