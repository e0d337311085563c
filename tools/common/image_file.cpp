#include "image_file.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "bgrx_writer.h"
#include "bmp_writer.h"
#include "png_writer.h"

std::optional<ImageFormat> imageFormatForPath(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".bgrx") {
        return ImageFormat::kBgrx;
    }
    if (ext == ".bmp") {
        return ImageFormat::kBmp;
    }
    if (ext == ".png") {
        return ImageFormat::kPng;
    }
    return std::nullopt;
}

const char* imageFormatExtension(ImageFormat format) {
    switch (format) {
        case ImageFormat::kBmp:
            return ".bmp";
        case ImageFormat::kPng:
            return ".png";
        case ImageFormat::kBgrx:
            break;
    }
    return ".bgrx";
}

std::vector<std::uint8_t> encodeImage(ImageFormat format, BgrxImageView image) {
    switch (format) {
        case ImageFormat::kBmp:
            return encodeBmp(image);
        case ImageFormat::kPng:
            return encodePng(image);
        case ImageFormat::kBgrx:
            break;
    }
    return encodeBgrx(image);
}
