// Reads the stand-in bus's USBPcap capture back into plain records, so
// tests can check what crossed the wire.
#pragma once

#include <cstdint>
#include <vector>

#include <usb/usb_bus.h>

struct WirePacket {
    std::uint8_t endpoint;     // bit 7: IN
    std::uint8_t transfer;     // 2 control, 3 bulk
    bool completion;           // info bit 0: the bus completing the request
    std::uint16_t function;    // URB function
    std::uint32_t dataLength;  // the transfer's length
    std::vector<std::uint8_t> data;
};

std::vector<WirePacket> capturedPackets(host::usb::UsbBus& bus);

// The submissions, or the completions, of bulk transfers on one endpoint,
// in order. An IN transfer's data (and length) is in its completion.
std::vector<WirePacket> bulkSubmissions(host::usb::UsbBus& bus, std::uint8_t endpoint);
std::vector<WirePacket> bulkCompletions(host::usb::UsbBus& bus, std::uint8_t endpoint);
