#include "pcap_file.h"

#include <cstdio>
#include <memory>

namespace host::usb {
namespace {

constexpr std::uint32_t kPcapMagic = 0xA1B2C3D4;  // microsecond timestamps
constexpr std::uint16_t kPcapMajor = 2;
constexpr std::uint16_t kPcapMinor = 4;

template <typename T>
void putLittleEndian(std::vector<std::uint8_t>& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
}

std::vector<std::uint8_t> globalHeader(std::uint32_t linkType, std::uint32_t snapLength) {
    std::vector<std::uint8_t> out;
    putLittleEndian(out, kPcapMagic);
    putLittleEndian(out, kPcapMajor);
    putLittleEndian(out, kPcapMinor);
    putLittleEndian(out, std::int32_t{0});   // thiszone: timestamps are UTC
    putLittleEndian(out, std::uint32_t{0});  // sigfigs
    putLittleEndian(out, snapLength);
    putLittleEndian(out, linkType);
    return out;
}

std::vector<std::uint8_t> recordHeader(const PcapRecord& record) {
    std::vector<std::uint8_t> out;
    putLittleEndian(out, static_cast<std::uint32_t>(record.timestampMicroseconds / 1000000));
    putLittleEndian(out, static_cast<std::uint32_t>(record.timestampMicroseconds % 1000000));
    putLittleEndian(out, static_cast<std::uint32_t>(record.bytes.size()));
    putLittleEndian(out, record.originalLength);
    return out;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool writeAll(std::FILE* file, const std::vector<std::uint8_t>& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

}  // namespace

bool writePcapFile(const std::string& path, std::uint32_t linkType, std::uint32_t snapLength,
                   const std::vector<PcapRecord>& records) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file || !writeAll(file.get(), globalHeader(linkType, snapLength))) {
        return false;
    }
    for (const PcapRecord& record : records) {
        if (!writeAll(file.get(), recordHeader(record)) || !writeAll(file.get(), record.bytes)) {
            return false;
        }
    }
    return std::fclose(file.release()) == 0;
}

}  // namespace host::usb
