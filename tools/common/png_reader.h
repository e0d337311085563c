// Reading PNG files as 8-bit RGB, whatever they hold: grey, grey with
// alpha, RGB, RGBA, palette, 16-bit samples (reduced to 8 bits by
// libpng). Transparent parts come out composed onto black.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

struct RgbImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgb;  // R, G, B a pixel, rows packed, top row first
};

// The first bytes of every PNG file.
bool hasPngSignature(const std::vector<std::uint8_t>& bytes);

// The image of `bytes`, which must be `width` x `height` pixels (checked
// before anything is allocated for the pixels). Throws std::runtime_error
// with the size found, or with libpng's reason when `bytes` are not a
// readable PNG.
RgbImage decodePng(const std::vector<std::uint8_t>& bytes, std::uint32_t width,
                   std::uint32_t height);
