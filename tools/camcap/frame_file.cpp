#include "frame_file.h"

#include <algorithm>
#include <cstdio>

#include "png_writer.h"

std::string frameFileName(std::uint32_t index, ImageFormat format) {
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%04u", static_cast<unsigned>(index));
    return std::string("frame_") + digits + imageFormatExtension(format);
}

std::vector<std::uint8_t> topRowFirst(std::span<const std::uint8_t> bottomUp, FrameSize size) {
    const std::size_t rowBytes = std::size_t{size.width} * 4;
    std::vector<std::uint8_t> image(size.bytes());
    for (std::uint32_t y = 0; y < size.height; ++y) {
        const auto source = bottomUp.begin() + static_cast<std::ptrdiff_t>(rowBytes * y);
        std::copy(source, source + static_cast<std::ptrdiff_t>(rowBytes),
                  image.begin() + static_cast<std::ptrdiff_t>(rowBytes * (size.height - 1 - y)));
    }
    return image;
}

std::vector<std::uint8_t> encodeFrame(std::span<const std::uint8_t> bottomUp, FrameSize size,
                                      ImageFormat format) {
    const std::vector<std::uint8_t> image = topRowFirst(bottomUp, size);
    const BgrxImageView view{image.data(), size.width, size.height};
    // Frames come at the camera's rate: speed matters more than file size.
    return format == ImageFormat::kPng ? encodePng(view, PngEncoding::kFast)
                                       : encodeImage(format, view);
}
