// Windows bitmaps as the driver's capture pin delivers its frames: a
// BITMAPFILEHEADER, a BITMAPINFOHEADER with biBitCount 32, BI_RGB, a
// positive biHeight and biSizeImage = width * height * 4, then the rows
// bottom-up (the last image row first), each pixel B, G, R, X as the
// pipeline wrote it.
#pragma once

#include <cstdint>
#include <vector>

#include "bgrx_image.h"

// Sizes of the two headers; the pixels start at their sum.
constexpr std::uint32_t kBmpFileHeaderSize = 14;
constexpr std::uint32_t kBmpInfoHeaderSize = 40;

std::vector<std::uint8_t> encodeBmp(BgrxImageView image);
