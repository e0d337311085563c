// Reading a raw 8-bit Bayer frame from a file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "frame_geometry.h"

// Returns exactly frame.requiredBytes() bytes from the start of the file;
// a longer file is fine. Throws std::runtime_error if the file cannot be
// read or is too short (naming the needed and the actual size).
std::vector<std::uint8_t> readRawFrame(const std::filesystem::path& path, const FrameLayout& frame);
