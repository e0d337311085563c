#include "png_reader.h"

#include <png.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void fail(png_image& png) {
    std::string message = std::string("not a readable PNG: ") + png.message;
    png_image_free(&png);
    throw std::runtime_error(message);
}

}  // namespace

bool hasPngSignature(const std::vector<std::uint8_t>& bytes) {
    constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= sizeof(kSignature) &&
           std::equal(kSignature, kSignature + sizeof(kSignature), bytes.begin());
}

// The simplified API converts any PNG to the format asked for and reports
// errors without setjmp, which does not mix with C++ objects on the stack.
RgbImage decodePng(const std::vector<std::uint8_t>& bytes, std::uint32_t width,
                   std::uint32_t height) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        fail(png);
    }
    if (png.width != width || png.height != height) {
        const std::string found = std::to_string(png.width) + " x " + std::to_string(png.height);
        png_image_free(&png);
        throw std::runtime_error("is " + found + ", not " + std::to_string(width) + " x " +
                                 std::to_string(height));
    }
    png.format = PNG_FORMAT_RGB;
    RgbImage image;
    image.width = png.width;
    image.height = png.height;
    // Zero-filled: without a background colour, libpng composes alpha onto
    // what the buffer holds.
    image.rgb.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        fail(png);
    }
    return image;
}
