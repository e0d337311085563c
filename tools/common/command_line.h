// Command-line handling shared by the tools, on top of CLI11.
#pragma once

#include <CLI/CLI.hpp>

#include <cstddef>
#include <string>
#include <string_view>

// Help lines fit in 80 columns: option names take kHelpColumn, the
// description wraps in the rest (CLI11 indents after each line break).
constexpr std::size_t kHelpColumn = 26;
std::string wrapHelp(std::string_view text, std::size_t width = 78 - kHelpColumn);

// Lays out the help of `app` in 80 columns: call once all options are added.
void useHelpLayout(CLI::App& app);

// Parses argv into `app`. Returns false if --help was asked for (the help
// has then been printed to stdout); throws std::runtime_error with CLI11's
// one-line message for any other problem (unknown or missing options, a
// value missing).
bool parseCommandLine(CLI::App& app, int argc, const char* const* argv);
