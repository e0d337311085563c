// PNG files for viewing and comparing: 8-bit RGB, no alpha. The X byte of
// each pipeline pixel is dropped and B, G, R become R, G, B.
#pragma once

#include <cstdint>
#include <vector>

#include "bgrx_image.h"

// kCompact compresses as well as libpng's defaults do; kFast trades file
// size (often half as large again) for several times the speed, for
// frames written at the camera's rate.
enum class PngEncoding { kCompact, kFast };

// Throws std::runtime_error if libpng fails.
std::vector<std::uint8_t> encodePng(BgrxImageView image,
                                    PngEncoding encoding = PngEncoding::kCompact);
