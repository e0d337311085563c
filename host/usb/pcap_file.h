// Writing a classic pcap file (the libpcap format Wireshark and tshark
// read): a 24-byte global header, then per packet a 16-byte record header
// (seconds, microseconds, captured length, original length) and the
// captured bytes. Little-endian, microsecond timestamps.
//
// Pure functions plus one file write; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host::usb {

struct PcapRecord {
    std::uint64_t timestampMicroseconds = 0;  // since the Unix epoch
    std::uint32_t originalLength = 0;         // before truncation to the snap length
    std::vector<std::uint8_t> bytes;          // what was captured
};

// Writes `records` to `path` (replacing it) with the given link type and
// snap length. False, with errno describing why, when the file cannot be
// written completely.
bool writePcapFile(const std::string& path, std::uint32_t linkType, std::uint32_t snapLength,
                   const std::vector<PcapRecord>& records);

}  // namespace host::usb
