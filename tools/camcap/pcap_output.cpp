#include "pcap_output.h"

#include <stdexcept>
#include <string>

std::size_t savePcap(host::usb::BusTrace& trace, const std::filesystem::path& path) {
    trace.stop();
    const std::filesystem::path temporary =
        path.parent_path() / ("." + path.filename().string() + ".partial");
    std::error_code error;
    if (!trace.writePcap(temporary.string())) {
        std::filesystem::remove(temporary, error);
        throw std::runtime_error("--pcap: cannot write " + path.string());
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        const std::string reason = error.message();
        std::filesystem::remove(temporary, error);
        throw std::runtime_error("--pcap: cannot write " + path.string() + ": " + reason);
    }
    return trace.packetCount();
}
