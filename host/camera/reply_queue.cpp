#include "reply_queue.h"

#include <algorithm>

namespace host::camera {

void ReplyQueue::queueAnswer(const std::vector<std::uint8_t>& query, std::uint8_t answer) {
    std::array<std::uint8_t, kReplyPacketBytes> echo{};
    std::copy_n(query.begin(), std::min(query.size(), echo.size()), echo.begin());
    std::array<std::uint8_t, kReplyPacketBytes> value{};
    value[0] = answer;
    packets_.push_back(echo);
    packets_.push_back(value);
}

host::usb::TransferOutcome ReplyQueue::read(std::uint8_t* data, std::size_t length) {
    if (packets_.empty()) {
        return {host::usb::DeviceResponse::kNak, 0};
    }
    const std::size_t n = std::min(length, kReplyPacketBytes);
    std::copy_n(packets_.front().begin(), n, data);
    packets_.pop_front();
    return {host::usb::DeviceResponse::kAck, n};
}

}  // namespace host::camera
