// Writes delivered frames to files on a thread of its own, so that
// encoding (a PNG takes longer than a frame time) does not hold up handing
// buffers back to the pin. At most kQueuedFrames wait; a full queue makes
// add() wait, and the stream then runs out of buffers rather than the tool
// out of memory.
//
// Each file is written atomically (atomic_file.h). The first failure stops
// the writing; add() and finish() report it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "frame_file.h"

class FrameWriter {
  public:
    static constexpr std::size_t kQueuedFrames = 4;

    FrameWriter(std::filesystem::path dir, FrameSize size, ImageFormat format);
    // Writes what is queued, then stops; a failure is not reported here.
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // Queues frame `index` (bottom-up pixels, size.bytes() of them).
    // Rethrows an earlier failure to write.
    void add(std::uint32_t index, std::vector<std::uint8_t> pixels);
    // Waits until everything queued is written; rethrows a failure.
    void finish();
    // Frames written so far.
    std::uint32_t written() const;

  private:
    struct Job {
        std::uint32_t index;
        std::vector<std::uint8_t> pixels;
    };

    void writeLoop();
    void stop();

    const std::filesystem::path dir_;
    const FrameSize size_;
    const ImageFormat format_;

    mutable std::mutex mutex_;  // guards everything below
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    bool closing_ = false;
    std::uint32_t written_ = 0;
    std::exception_ptr failure_;
    std::thread thread_;  // last: starts once the rest is ready
};
