// The .bgrx format: the pipeline's output buffer byte for byte, with no
// header (width * height * 4 bytes, top row first). The reader must know the
// size from elsewhere.
#pragma once

#include <cstdint>
#include <vector>

#include "bgrx_image.h"

std::vector<std::uint8_t> encodeBgrx(BgrxImageView image);
