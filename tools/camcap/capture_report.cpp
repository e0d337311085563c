#include "capture_report.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace {

void item(std::ostream& out, const char* label, const std::string& value) {
    char line[64];
    std::snprintf(line, sizeof(line), "%-23s", label);
    out << line << value << '\n';
}

std::string rateText(std::optional<double> rate) {
    if (!rate) {
        return "- (fewer than two frames)";
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", *rate);
    return text;
}

template <typename Count>
std::string countText(const std::optional<Count>& count) {
    return count ? std::to_string(*count) : "- (no frame information)";
}

}  // namespace

std::string describeFrameFiles(const std::filesystem::path& dir, std::uint32_t count,
                               ImageFormat format) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(dir, error).lexically_normal();
    std::string text = (absolute / frameFileName(0, format)).string();
    if (count > 1) {
        text += " .. " + frameFileName(count - 1, format);
    }
    return text;
}

void printCaptureReport(const CaptureReport& report, std::ostream& out) {
    item(out, "frames delivered:",
         std::to_string(report.delivered) + " (" + std::to_string(report.size.width) + " x " +
             std::to_string(report.size.height) + ", RGB32)");
    item(out, "frames repeated:", countText(report.repeated));
    item(out, "frames dropped:", countText(report.dropped));
    item(out, "dropped at the worker:", std::to_string(report.counters.framesDropped));
    item(out, "buffers too small:", std::to_string(report.counters.buffersTooSmall));
    item(out, "frame reads failed:", std::to_string(report.counters.readFailures));
    item(out, "frames per second:", rateText(report.framesPerSecond));
    item(out, "files:", describeFrameFiles(report.dir, report.delivered, report.format));
}
