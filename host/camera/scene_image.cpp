#include "scene_image.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "frame_geometry.h"
#include "mosaic_canvas.h"

namespace host::camera {
namespace {

// Reads the PPM header's numbers: whitespace and '#' comments between them.
class PpmHeader {
  public:
    explicit PpmHeader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    // The next number, or -1 if there is none.
    long number() {
        skipSpaceAndComments();
        long value = -1;
        while (at_ < bytes_.size() && std::isdigit(bytes_[at_]) != 0 && value < 100000) {
            value = (value < 0 ? 0 : value * 10) + (bytes_[at_++] - '0');
        }
        return value;
    }
    // Where the pixels start: after the one whitespace byte that ends the
    // header.
    std::size_t pixelStart() const { return at_ + 1; }

  private:
    void skipSpaceAndComments() {
        while (at_ < bytes_.size()) {
            if (bytes_[at_] == '#') {
                while (at_ < bytes_.size() && bytes_[at_] != '\n') {
                    ++at_;
                }
            } else if (std::isspace(bytes_[at_]) != 0) {
                ++at_;
            } else {
                return;
            }
        }
    }

    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 2;  // after "P6"
};

std::vector<std::uint8_t> mosaicOfPpm(const std::vector<std::uint8_t>& bytes) {
    PpmHeader header(bytes);
    const long width = header.number();
    const long height = header.number();
    const long maxValue = header.number();
    if (width != kFrameWidth || height != kFrameHeight || maxValue != 255) {
        throw std::runtime_error("is a " + std::to_string(width) + " x " + std::to_string(height) +
                                 " PPM with maximum " + std::to_string(maxValue) +
                                 ", not 1280 x 960 with maximum 255");
    }
    if (bytes.size() < header.pixelStart() + 3 * kFrameBytes) {
        throw std::runtime_error("ends before its last pixel");
    }
    std::vector<std::uint8_t> frame(kFrameBytes);
    const std::uint8_t* rgb = bytes.data() + header.pixelStart();
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x, rgb += 3) {
            frame[static_cast<std::size_t>(y) * kFrameWidth + static_cast<std::size_t>(x)] =
                mosaicSample({rgb[0], rgb[1], rgb[2]}, x, y);
        }
    }
    return frame;
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot be opened");
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::vector<std::uint8_t> loadSceneImage(const std::filesystem::path& path) {
    try {
        std::vector<std::uint8_t> bytes = readFile(path);
        // A 1280 x 960 PPM is three times a raw frame's size, so the size
        // alone tells a raw frame.
        if (bytes.size() == kFrameBytes) {
            return bytes;
        }
        if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '6') {
            return mosaicOfPpm(bytes);
        }
        throw std::runtime_error("is neither a P6 PPM nor a raw frame of " +
                                 std::to_string(kFrameBytes) + " bytes");
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("scene image " + path.string() + " " + e.what());
    }
}

}  // namespace host::camera
