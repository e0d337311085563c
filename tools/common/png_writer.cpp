#include "png_writer.h"

#include <png.h>

#include <stdexcept>
#include <string>

namespace {

std::vector<std::uint8_t> toRgb(BgrxImageView image) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t{image.width} * image.height * 3);
    for (std::size_t i = 0; i < image.sizeBytes(); i += 4) {
        rgb.push_back(image.pixels[i + 2]);
        rgb.push_back(image.pixels[i + 1]);
        rgb.push_back(image.pixels[i]);
    }
    return rgb;
}

[[noreturn]] void fail(png_image& png) {
    std::string message = std::string("PNG encoding failed: ") + png.message;
    png_image_free(&png);
    throw std::runtime_error(message);
}

}  // namespace

// libpng's simplified API needs no setjmp error handling, which does not mix
// well with C++ objects on the stack.
std::vector<std::uint8_t> encodePng(BgrxImageView image, PngEncoding encoding) {
    const std::vector<std::uint8_t> rgb = toRgb(image);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGB;
    png.flags = encoding == PngEncoding::kFast ? PNG_IMAGE_FLAG_FAST : 0;
    const auto stride = static_cast<png_int_32>(image.width * 3);

    // One pass into a buffer of libpng's upper bound; should the bound be
    // short after all, libpng says how much it needs.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    std::vector<std::uint8_t> out(size);
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), stride, nullptr)) {
        if (size <= out.size()) {
            fail(png);
        }
        out.resize(size);
        if (!png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), stride, nullptr)) {
            fail(png);
        }
    }
    out.resize(size);
    return out;
}
