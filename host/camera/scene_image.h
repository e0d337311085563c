// Image files that can replace the built-in scene (CameraScene's fixed
// frame):
//   - binary PPM (P6) of 1280 x 960 with a maximum value of 255: each
//     photosite takes its pixel's red, green or blue as RGGB places it;
//   - any other file of exactly 1,228,800 bytes: a raw frame, used as is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace host::camera {

// The file as a raw frame. std::runtime_error naming the file and the
// problem when it cannot be read or is neither of the above.
std::vector<std::uint8_t> loadSceneImage(const std::filesystem::path& path);

}  // namespace host::camera
