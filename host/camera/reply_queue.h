// The reply endpoint's queue. A query (GetParameter, ReadByte) is answered
// with two 64-byte packets: the first acknowledges it by echoing the query
// packet, the second carries the answer in byte 0 and zeros after it. Each
// IN transfer takes one packet (a 64-byte packet on a 512-byte endpoint is
// short, so it ends the transfer); with nothing queued the endpoint NAKs.
//
// Not thread-safe: the camera guards it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include <usb/usb_device_model.h>

#include "command_codes.h"

namespace host::camera {

class ReplyQueue {
  public:
    void queueAnswer(const std::vector<std::uint8_t>& query, std::uint8_t answer);

    // One IN transfer: the next packet, or as much of it as fits (the rest
    // is lost; the camera reports that as a protocol error).
    host::usb::TransferOutcome read(std::uint8_t* data, std::size_t length);

    std::size_t queuedPackets() const { return packets_.size(); }
    void clear() { packets_.clear(); }

  private:
    std::deque<std::array<std::uint8_t, kReplyPacketBytes>> packets_;
};

}  // namespace host::camera
