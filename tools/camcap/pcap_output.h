// camcap --pcap: the bus capture of the run, written as a USBPcap file that
// appears complete or not at all (a hidden temporary beside it, renamed).
#pragma once

#include <cstddef>
#include <filesystem>

#include <usb/bus_trace.h>

// Stops the recording and writes it. Returns the packets written; throws
// std::runtime_error naming the file when it cannot be written.
std::size_t savePcap(host::usb::BusTrace& trace, const std::filesystem::path& path);
