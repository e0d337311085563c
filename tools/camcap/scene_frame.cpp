#include "scene_frame.h"

#include <camera/frame_geometry.h>
#include <camera/mosaic_canvas.h>
#include <camera/scene_image.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

using host::camera::kFrameHeight;
using host::camera::kFrameWidth;

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot be opened");
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

[[noreturn]] void fail(const std::filesystem::path& path, const std::string& problem) {
    throw std::runtime_error("--scene: " + path.string() + " " + problem);
}

}  // namespace

std::vector<std::uint8_t> mosaicOf(const RgbImage& image) {
    std::vector<std::uint8_t> frame(host::camera::kFrameBytes);
    const std::uint8_t* rgb = image.rgb.data();
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x, rgb += 3) {
            frame[static_cast<std::size_t>(y) * kFrameWidth + static_cast<std::size_t>(x)] =
                host::camera::mosaicSample({rgb[0], rgb[1], rgb[2]}, x, y);
        }
    }
    return frame;
}

std::vector<std::uint8_t> loadSceneFrame(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readFile(path);
        if (hasPngSignature(bytes)) {
            return mosaicOf(decodePng(bytes, kFrameWidth, kFrameHeight));
        }
    } catch (const std::runtime_error& e) {
        fail(path, e.what());
    }
    try {
        return host::camera::loadSceneImage(path);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(std::string("--scene: ") + e.what());
    }
}
