// Bounds-checked little-endian reads from untrusted bytes: the image file,
// or the mapped image addressed by RVA. Every offset and size is checked
// (without overflow) before use; a read outside the window throws
// ImageError "<image>: <what> lies outside the <space>", one line.
//
// Owns nothing: the bytes must outlive the window. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace host::image {

class ByteWindow {
  public:
    // `image` names the image in messages ("bayercam.sys"); `space` what the
    // offsets are into ("file", "image").
    ByteWindow(std::span<const std::byte> bytes, std::string_view image, std::string_view space)
        : bytes_(bytes), image_(image), space_(space) {}

    std::size_t size() const { return bytes_.size(); }
    bool contains(std::uint64_t offset, std::uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }
    // Throws unless [offset, offset + length) lies inside.
    void require(std::uint64_t offset, std::uint64_t length, std::string_view what) const;
    std::span<const std::byte> bytes(std::uint64_t offset, std::uint64_t length,
                                     std::string_view what) const;

    std::uint8_t u8(std::uint64_t offset, std::string_view what) const {
        return read<std::uint8_t>(offset, what);
    }
    std::uint16_t u16(std::uint64_t offset, std::string_view what) const {
        return read<std::uint16_t>(offset, what);
    }
    std::uint32_t u32(std::uint64_t offset, std::string_view what) const {
        return read<std::uint32_t>(offset, what);
    }
    std::uint64_t u64(std::uint64_t offset, std::string_view what) const {
        return read<std::uint64_t>(offset, what);
    }

    // A NUL-terminated string of at most maxLength printable ASCII characters
    // (so that names from the file cannot break a one-line message).
    std::string cString(std::uint64_t offset, std::size_t maxLength, std::string_view what) const;

    // Throws ImageError "<image>: <message>".
    [[noreturn]] void refuse(const std::string& message) const;

  private:
    template <typename T>
    T read(std::uint64_t offset, std::string_view what) const {
        require(offset, sizeof(T), what);
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof(T));
        return value;  // x86-64 is little-endian, as PE files are
    }

    std::span<const std::byte> bytes_;
    std::string_view image_;
    std::string_view space_;
};

}  // namespace host::image
