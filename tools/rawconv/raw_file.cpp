#include "raw_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

std::string describe(const FrameLayout& frame) {
    return "a " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
           " frame with pitch " + std::to_string(frame.pitch);
}

}  // namespace

std::vector<std::uint8_t> readRawFrame(const std::filesystem::path& path,
                                       const FrameLayout& frame) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open " + path.string() + ": " + std::strerror(errno));
    }
    std::error_code error;
    const std::uintmax_t actual = std::filesystem::file_size(path, error);
    if (error) {
        throw std::runtime_error("cannot read " + path.string() + ": " + error.message());
    }
    const std::uint64_t needed = frame.requiredBytes();
    if (actual < needed) {
        throw std::runtime_error(path.string() + " holds " + std::to_string(actual) + " bytes; " +
                                 describe(frame) + " needs " + std::to_string(needed));
    }
    // Exactly the frame, so a pipeline reading past its last byte shows up
    // under the sanitizers.
    std::vector<std::uint8_t> bytes(needed);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(needed))) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return bytes;
}
