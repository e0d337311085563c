#include "register_settings.h"

#include "camera_test.h"

namespace {

using Packets = std::vector<std::vector<std::uint8_t>>;

std::vector<std::uint8_t> registerPacket(unsigned address, unsigned value) {
    return writeRegisterPacket(16, address, value);
}

void append(Packets& to, const Packets& more) {
    to.insert(to.end(), more.begin(), more.end());
}

}  // namespace

Packets registerRunPackets(unsigned first, std::initializer_list<unsigned> values) {
    Packets packets;
    for (unsigned value : values) {
        packets.push_back(registerPacket(first++, value));
    }
    return packets;
}

Packets startupExposurePackets() {
    return registerRunPackets(152, {1, 0, 0, 3, 0, 1, 4, 0, 0, 0, 0, 0});
}

Packets exposureCountPackets(unsigned count) {
    const unsigned low = count & 0x3F;
    const unsigned high = count >> 6;
    Packets packets = registerRunPackets(158, {low, high});
    append(packets, registerRunPackets(161, {low, high}));
    return packets;
}

Packets enterSpecialExposurePackets(unsigned exposure) {
    Packets packets = registerRunPackets(152, {1, 0, 1});
    append(packets, registerRunPackets(156, {0, 0, 3, 0, 1, 3, 0, 1}));
    packets.push_back(registerPacket(155, exposure - 1000));
    return packets;
}

Packets leaveSpecialExposurePackets(unsigned count) {
    Packets packets;
    for (const auto& [address, value] :
         {std::pair{154U, 0U}, {155U, 3U}, {157U, 1U}, {160U, 3U}, {163U, 0U}}) {
        packets.push_back(registerPacket(address, value));
    }
    append(packets, exposureCountPackets(count));
    return packets;
}

Packets globalGainPackets(unsigned gain) {
    return registerRunPackets(6, {gain & 0x3F, gain >> 6});
}

std::vector<std::uint8_t> setParameterPacket(std::uint8_t number, std::uint8_t value) {
    return commandPacket(0x25, {number, value});
}
