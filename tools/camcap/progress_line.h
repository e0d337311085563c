// The progress of a capture on stderr. On a terminal one line is rewritten
// in place (at most ten times a second) and ended when the capture ends;
// otherwise, as in a log, a plain line every five seconds, so that short
// runs print nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

class ProgressLine {
  public:
    using Clock = std::chrono::steady_clock;

    ProgressLine(std::ostream& out, bool terminal, std::uint32_t total);
    // Ends the line, so that an error message starts on a line of its own.
    ~ProgressLine() { finish(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // `delivered` frames so far, at `rate` frames per second (none yet).
    void update(std::uint32_t delivered, std::optional<double> rate);
    // Ends an in-place line.
    void finish();

  private:
    std::string text(std::uint32_t delivered, std::optional<double> rate) const;

    std::ostream& out_;
    const bool terminal_;
    const std::uint32_t total_;
    const Clock::duration interval_;
    Clock::time_point last_;
    bool shown_ = false;
};
