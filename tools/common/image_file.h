// Choosing an image format by the output file's extension, and encoding a
// pipeline image in it. Extensions compare without regard to case.
//   .bgrx  the output buffer as is (see bgrx_writer.h)
//   .bmp   32-bit bottom-up bitmap, as the capture pin delivers it
//   .png   8-bit RGB
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "bgrx_image.h"

enum class ImageFormat { kBgrx, kBmp, kPng };

// Nullopt for any other extension.
std::optional<ImageFormat> imageFormatForPath(const std::filesystem::path& path);

// The extension of `format` with its dot: ".bgrx", ".bmp" or ".png".
const char* imageFormatExtension(ImageFormat format);

std::vector<std::uint8_t> encodeImage(ImageFormat format, BgrxImageView image);
