#include "bus_trace.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace host::usb {
namespace {

std::uint64_t nowMicroseconds() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

std::array<std::uint8_t, 8> setupBytes(const SetupPacket& setup) {
    return {setup.bmRequestType,
            setup.bRequest,
            static_cast<std::uint8_t>(setup.wValue & 0xFF),
            static_cast<std::uint8_t>(setup.wValue >> 8),
            static_cast<std::uint8_t>(setup.wIndex & 0xFF),
            static_cast<std::uint8_t>(setup.wIndex >> 8),
            static_cast<std::uint8_t>(setup.wLength & 0xFF),
            static_cast<std::uint8_t>(setup.wLength >> 8)};
}

// USBPcap names the default pipe by the request's direction.
std::uint8_t controlEndpoint(const SetupPacket& setup) {
    return static_cast<std::uint8_t>(setup.bmRequestType & USB_ENDPOINT_DIRECTION_MASK);
}

}  // namespace

BusTrace::BusTrace(std::uint16_t bus, std::uint16_t device) : bus_(bus), device_(device) {}

void BusTrace::start(std::uint32_t snapLength) {
    std::lock_guard lock(mutex_);
    records_.clear();
    snapLength_ = snapLength;
    recording_ = true;
}

void BusTrace::stop() {
    std::lock_guard lock(mutex_);
    recording_ = false;
}

bool BusTrace::recording() const {
    std::lock_guard lock(mutex_);
    return recording_;
}

std::size_t BusTrace::packetCount() const {
    std::lock_guard lock(mutex_);
    return records_.size();
}

std::vector<PcapRecord> BusTrace::records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

bool BusTrace::writePcap(const std::string& path) const {
    std::lock_guard lock(mutex_);
    // The file's snap length covers the pseudo-header as well as the data.
    const std::uint32_t fileSnap =
        snapLength_ + static_cast<std::uint32_t>(kUsbPcapControlHeaderLength);
    return writePcapFile(path, kLinkTypeUsbPcap, fileSnap, records_);
}

void BusTrace::controlSubmitted(std::uint64_t irpId, USHORT function, const SetupPacket& setup,
                                std::span<const std::uint8_t> outData) {
    UsbPcapHeader h = header(irpId, function, UsbPcapTransfer::kControl, controlEndpoint(setup));
    h.stage = UsbPcapStage::kSetup;
    std::vector<std::uint8_t> data;
    const auto setupData = setupBytes(setup);
    data.insert(data.end(), setupData.begin(), setupData.end());
    data.insert(data.end(), outData.begin(), outData.end());
    record(h, data);
}

void BusTrace::controlCompleted(std::uint64_t irpId, USHORT function, USBD_STATUS status,
                                const SetupPacket& setup, std::span<const std::uint8_t> inData) {
    UsbPcapHeader h = header(irpId, function, UsbPcapTransfer::kControl, controlEndpoint(setup));
    h.info = kUsbPcapInfoPdoToFdo;
    h.status = status;
    h.stage = UsbPcapStage::kComplete;
    record(h, inData);
}

void BusTrace::bulkSubmitted(std::uint64_t irpId, USHORT function, UsbPcapTransfer transfer,
                             std::uint8_t endpoint, std::span<const std::uint8_t> outData) {
    record(header(irpId, function, transfer, endpoint), outData);
}

void BusTrace::bulkCompleted(std::uint64_t irpId, USHORT function, UsbPcapTransfer transfer,
                             std::uint8_t endpoint, USBD_STATUS status,
                             std::span<const std::uint8_t> inData) {
    UsbPcapHeader h = header(irpId, function, transfer, endpoint);
    h.info = kUsbPcapInfoPdoToFdo;
    h.status = status;
    record(h, inData);
}

UsbPcapHeader BusTrace::header(std::uint64_t irpId, USHORT function, UsbPcapTransfer transfer,
                               std::uint8_t endpoint) const {
    UsbPcapHeader h;
    h.irpId = irpId;
    h.function = function;
    h.bus = bus_;
    h.device = device_;
    h.endpoint = endpoint;
    h.transfer = transfer;
    return h;
}

void BusTrace::record(const UsbPcapHeader& header, std::span<const std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    if (!recording_) {
        return;
    }
    UsbPcapHeader h = header;
    h.dataLength = static_cast<std::uint32_t>(data.size());
    const std::size_t captured = std::min<std::size_t>(data.size(), snapLength_);
    PcapRecord record;
    record.timestampMicroseconds = nowMicroseconds();
    record.bytes = encodeUsbPcapPacket(h, data.first(captured));
    record.originalLength =
        static_cast<std::uint32_t>(record.bytes.size() + (data.size() - captured));
    records_.push_back(std::move(record));
}

}  // namespace host::usb
