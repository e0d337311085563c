// PNG files for viewing and comparing: 8-bit RGB, no alpha. The X byte of
// each pipeline pixel is dropped and B, G, R become R, G, B.
#pragma once

#include <cstdint>
#include <vector>

#include "bgrx_image.h"

// Throws std::runtime_error if libpng fails.
std::vector<std::uint8_t> encodePng(BgrxImageView image);
