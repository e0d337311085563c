#include "byte_window.h"

#include <cstdio>

#include "kernel_image.h"

namespace host::image {

void ByteWindow::require(std::uint64_t offset, std::uint64_t length, std::string_view what) const {
    if (contains(offset, length)) {
        return;
    }
    char range[96];
    std::snprintf(range, sizeof range, " (0x%llx bytes at 0x%llx; the %.*s has 0x%zx)",
                  static_cast<unsigned long long>(length), static_cast<unsigned long long>(offset),
                  static_cast<int>(space_.size()), space_.data(), bytes_.size());
    refuse(std::string(what) + " lies outside the " + std::string(space_) + range);
}

std::span<const std::byte> ByteWindow::bytes(std::uint64_t offset, std::uint64_t length,
                                             std::string_view what) const {
    require(offset, length, what);
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

std::string ByteWindow::cString(std::uint64_t offset, std::size_t maxLength,
                                std::string_view what) const {
    require(offset, 1, what);
    std::string text;
    for (std::uint64_t at = offset; at < bytes_.size(); ++at) {
        const char c = static_cast<char>(bytes_[static_cast<std::size_t>(at)]);
        if (c == '\0') {
            return text;
        }
        if (c < ' ' || c > '~') {
            refuse(std::string(what) + " holds a byte that is not printable ASCII");
        }
        if (text.size() == maxLength) {
            refuse(std::string(what) + " is longer than " + std::to_string(maxLength) +
                   " characters");
        }
        text.push_back(c);
    }
    refuse(std::string(what) + " runs past the end of the " + std::string(space_));
}

void ByteWindow::refuse(const std::string& message) const {
    throw ImageError(std::string(image_) + ": " + message);
}

}  // namespace host::image
