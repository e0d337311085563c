// The camera's raw frame: 1280 x 960 photosites, one 8-bit sample each,
// rows 1280 bytes apart, RGGB at the top left (row 0 R G R G ..., row 1
// G B G B ...). Every frame on the frame endpoint is exactly this.
#pragma once

#include <cstddef>

namespace host::camera {

constexpr int kFrameWidth = 1280;
constexpr int kFrameHeight = 960;
constexpr std::size_t kFrameBytes = std::size_t{kFrameWidth} * kFrameHeight;  // 1,228,800

}  // namespace host::camera
