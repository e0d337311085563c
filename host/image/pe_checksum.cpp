#include "pe_checksum.h"

namespace host::image {

std::uint32_t peCheckSum(std::span<const std::byte> file, std::size_t checkSumOffset) {
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < file.size(); at += 2) {
        if (at >= checkSumOffset && at < checkSumOffset + 4) {
            continue;
        }
        std::uint32_t word = std::to_integer<std::uint32_t>(file[at]);
        if (at + 1 < file.size()) {
            word |= std::to_integer<std::uint32_t>(file[at + 1]) << 8;
        }
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

}  // namespace host::image
