// camcap's --scene: the raw frame the simulated camera shows instead of its
// built-in scene. A PNG of exactly 1280 x 960 (any colour type; see
// png_reader.h) is mosaicked as the sensor records it, each photosite
// taking its pixel's red, green or blue as the RGGB pattern places it.
// Other files go to the camera's own loader: a binary PPM (P6) of 1280 x
// 960 or a raw frame of 1,228,800 bytes. Images of another size are
// refused rather than scaled, so what the frames show is what was given.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "png_reader.h"

// The raw frame (1,228,800 bytes). Throws std::runtime_error starting
// "--scene: " and naming the file.
std::vector<std::uint8_t> loadSceneFrame(const std::filesystem::path& path);

// The raw frame of a 1280 x 960 picture.
std::vector<std::uint8_t> mosaicOf(const RgbImage& image);
