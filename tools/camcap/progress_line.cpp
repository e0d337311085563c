#include "progress_line.h"

#include <cstdio>
#include <ostream>

using namespace std::chrono_literals;

ProgressLine::ProgressLine(std::ostream& out, bool terminal, std::uint32_t total)
    : out_(out),
      terminal_(terminal),
      total_(total),
      interval_(terminal ? Clock::duration(100ms) : Clock::duration(5s)),
      last_(Clock::now()) {}

std::string ProgressLine::text(std::uint32_t delivered, std::optional<double> rate) const {
    char line[96];
    if (rate) {
        std::snprintf(line, sizeof(line), "captured %u of %u frames, %.1f frames per second",
                      static_cast<unsigned>(delivered), static_cast<unsigned>(total_), *rate);
    } else {
        std::snprintf(line, sizeof(line), "captured %u of %u frames",
                      static_cast<unsigned>(delivered), static_cast<unsigned>(total_));
    }
    return line;
}

void ProgressLine::update(std::uint32_t delivered, std::optional<double> rate) {
    const Clock::time_point now = Clock::now();
    const bool last = delivered == total_;
    if (now - last_ < interval_ && !(last && terminal_ && shown_)) {
        return;
    }
    last_ = now;
    shown_ = true;
    if (terminal_) {
        // Padded, so that a shorter line covers a longer one.
        char padded[100];
        std::snprintf(padded, sizeof(padded), "\r%-72s", text(delivered, rate).c_str());
        out_ << padded << std::flush;
    } else {
        out_ << text(delivered, rate) << '\n' << std::flush;
    }
}

void ProgressLine::finish() {
    if (terminal_ && shown_) {
        out_ << '\n' << std::flush;
        shown_ = false;
    }
}
