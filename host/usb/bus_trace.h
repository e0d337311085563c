// The bus's capture of the transfers it carries, in USBPcap form: every
// transfer is recorded twice, when the bus accepts it (submission, FDO to
// PDO) and when it completes it (PDO to FDO), with the data that crossed
// the wire in that direction: OUT data on submission, IN data on
// completion. A control transfer's submission carries the 8-byte setup
// packet (stage "setup", followed by any OUT data), its completion stage
// "complete".
//
// Recording is off until start(). Captured data is cut to the snap length
// (the pseudo-header's dataLength keeps the full length), so long streaming
// runs stay bounded per packet. Thread-safe: the bus records from its own
// thread and from the threads that submit and cancel; tests read and write
// the capture from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "pcap_file.h"
#include "usb_api.h"
#include "usb_device_model.h"
#include "usbpcap_packet.h"

namespace host::usb {

class BusTrace {
  public:
    static constexpr std::uint32_t kDefaultSnapLength = 65535;

    BusTrace(std::uint16_t bus, std::uint16_t device);

    // ---- Test-facing -------------------------------------------------------
    // Discards what was recorded and records from now on.
    void start(std::uint32_t snapLength = kDefaultSnapLength);
    void stop();
    bool recording() const;
    std::size_t packetCount() const;
    std::vector<PcapRecord> records() const;
    // Writes the capture so far as a pcap file with link type USBPcap.
    // False when the file cannot be written.
    bool writePcap(const std::string& path) const;

    // ---- Bus-facing --------------------------------------------------------
    void controlSubmitted(std::uint64_t irpId, USHORT function, const SetupPacket& setup,
                          std::span<const std::uint8_t> outData);
    void controlCompleted(std::uint64_t irpId, USHORT function, USBD_STATUS status,
                          const SetupPacket& setup, std::span<const std::uint8_t> inData);
    void bulkSubmitted(std::uint64_t irpId, USHORT function, UsbPcapTransfer transfer,
                       std::uint8_t endpoint, std::span<const std::uint8_t> outData);
    void bulkCompleted(std::uint64_t irpId, USHORT function, UsbPcapTransfer transfer,
                       std::uint8_t endpoint, USBD_STATUS status,
                       std::span<const std::uint8_t> inData);

  private:
    UsbPcapHeader header(std::uint64_t irpId, USHORT function, UsbPcapTransfer transfer,
                         std::uint8_t endpoint) const;
    void record(const UsbPcapHeader& header, std::span<const std::uint8_t> data);

    const std::uint16_t bus_;
    const std::uint16_t device_;
    mutable std::mutex mutex_;
    bool recording_ = false;
    std::uint32_t snapLength_ = kDefaultSnapLength;
    std::vector<PcapRecord> records_;
};

}  // namespace host::usb
