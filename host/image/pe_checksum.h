// The PE image checksum (the optional header's CheckSum field), as
// imagehlp's CheckSumMappedFile computes it and as Windows checks it before
// it loads a driver: the 16-bit one's-complement-style sum of the file with
// the field itself taken as zero, plus the file's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace host::image {

// `checkSumOffset` is the file offset of the CheckSum field (within the file).
std::uint32_t peCheckSum(std::span<const std::byte> file, std::size_t checkSumOffset);

}  // namespace host::image
