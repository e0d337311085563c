// Writing a whole output file so that it appears complete or not at all:
// the bytes go to a temporary file in the target's directory, which is then
// renamed over the target. Any failure removes the temporary file and leaves
// an existing target untouched. POSIX only (the host tools run on Linux).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

// Throws std::runtime_error naming the path and the system's reason.
void writeFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);
