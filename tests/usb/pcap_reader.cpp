#include "pcap_reader.h"

#include <fstream>
#include <iterator>

namespace usbtest {
namespace {

class ByteReader {
  public:
    explicit ByteReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    bool has(std::size_t count) const { return bytes_.size() - at_ >= count; }
    bool atEnd() const { return at_ == bytes_.size(); }

    template <typename T>
    T take() {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            value |= static_cast<std::uint64_t>(bytes_[at_++]) << (8 * i);
        }
        return static_cast<T>(value);
    }

    std::vector<std::uint8_t> takeBytes(std::size_t count) {
        std::vector<std::uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                                      bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
        at_ += count;
        return out;
    }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

bool readFileHeader(ByteReader& in, PcapFileHeader& header) {
    if (!in.has(24)) {
        return false;
    }
    header.magic = in.take<std::uint32_t>();
    header.versionMajor = in.take<std::uint16_t>();
    header.versionMinor = in.take<std::uint16_t>();
    in.take<std::uint32_t>();  // thiszone
    in.take<std::uint32_t>();  // sigfigs
    header.snapLength = in.take<std::uint32_t>();
    header.linkType = in.take<std::uint32_t>();
    return true;
}

bool readPacket(ByteReader& in, UsbPcapPacket& packet) {
    if (!in.has(16)) {
        return false;
    }
    in.take<std::uint32_t>();  // seconds
    in.take<std::uint32_t>();  // microseconds
    packet.capturedLength = in.take<std::uint32_t>();
    packet.originalLength = in.take<std::uint32_t>();
    if (!in.has(packet.capturedLength) || packet.capturedLength < 27) {
        return false;
    }
    packet.headerLength = in.take<std::uint16_t>();
    packet.irpId = in.take<std::uint64_t>();
    packet.status = in.take<std::uint32_t>();
    packet.function = in.take<std::uint16_t>();
    packet.info = in.take<std::uint8_t>();
    packet.bus = in.take<std::uint16_t>();
    packet.device = in.take<std::uint16_t>();
    packet.endpoint = in.take<std::uint8_t>();
    packet.transfer = in.take<std::uint8_t>();
    packet.dataLength = in.take<std::uint32_t>();
    if (packet.headerLength < 27 || packet.headerLength > packet.capturedLength) {
        return false;
    }
    if (packet.headerLength == 28) {
        packet.stage = in.take<std::uint8_t>();
    } else if (packet.headerLength > 27) {
        in.takeBytes(packet.headerLength - 27u);
    }
    packet.data = in.takeBytes(packet.capturedLength - packet.headerLength);
    return true;
}

}  // namespace

std::optional<PcapFile> readUsbPcapFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    ByteReader in(bytes);
    PcapFile capture;
    if (!readFileHeader(in, capture.header)) {
        return std::nullopt;
    }
    while (!in.atEnd()) {
        UsbPcapPacket packet;
        if (!readPacket(in, packet)) {
            return std::nullopt;
        }
        capture.packets.push_back(std::move(packet));
    }
    return capture;
}

}  // namespace usbtest
