// Checks, made before the driver starts, that camcap's outputs can be
// written, so that a run does not stream only to fail at its first file.
// Each throws std::runtime_error naming the option and the problem.
#pragma once

#include <filesystem>
#include <string_view>

// The frames' directory: an existing directory that can be written, or a
// name that can be made under its nearest existing ancestor.
void checkOutputDirectory(const std::filesystem::path& dir);

// A file to write at the end (--pcap, --registry): not a directory, and in
// an existing directory that can be written.
void checkOutputFile(std::string_view option, const std::filesystem::path& file);
