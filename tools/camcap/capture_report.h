// What camcap prints on stdout at the end of a capture, one item a line:
//   frames delivered:      10 (1280 x 960, RGB32)
//   frames repeated:       0
//   frames dropped:        0
//   dropped at the worker: 0
//   buffers too small:     0
//   frame reads failed:    0
//   frames per second:     29.97
//   files:                 /home/me/frames/frame_0000.png .. frame_0009.png
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>

#include "frame_file.h"
#include "worker_counters.h"

struct CaptureReport {
    std::uint32_t delivered = 0;
    // From the frame headers; "-" when they carry no frame information.
    std::optional<std::uint32_t> repeated;
    std::optional<std::int64_t> dropped;
    FrameSize size{};
    WorkerCounters counters;
    std::optional<double> framesPerSecond;  // none below two frames
    std::filesystem::path dir;
    ImageFormat format = ImageFormat::kPng;
};

void printCaptureReport(const CaptureReport& report, std::ostream& out);

// "DIR/frame_0000.png .. frame_0009.png" for `count` files (at least one),
// DIR made absolute.
std::string describeFrameFiles(const std::filesystem::path& dir, std::uint32_t count,
                               ImageFormat format);
