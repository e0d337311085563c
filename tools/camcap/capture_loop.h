// The stream itself: a few frame buffers kept queued on the running pin,
// each delivered frame checked and handed to the writer, its buffer queued
// again while frames are still wanted. A frame that does not come within
// the plan's wait ends the loop early.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include <streaming/ks_client.h>

#include "frame_writer.h"
#include "progress_line.h"

struct CapturePlan {
    std::uint32_t frames = 0;
    ULONG imageBytes = 0;  // each buffer's size, and each frame's DataUsed
    std::chrono::milliseconds frameWait{0};
    // Called once before waiting for each frame (external trigger mode);
    // empty: frames come by themselves.
    std::function<void()> trigger;
    // Called once the loop is over (the frames came, or one did not) while
    // the pin still runs: what is counted then excludes the read the stop
    // cancels. Empty: nothing.
    std::function<void()> beforeStop;
};

struct CaptureTiming {
    using Clock = std::chrono::steady_clock;

    std::uint32_t delivered = 0;
    bool timedOut = false;  // a frame did not come in time
    // From the frames' KS_FRAME_INFO: deliveries that repeated the previous
    // frame's picture number (the driver had no new image), and the last
    // header's count of pictures dropped since the stream started. Both
    // stay empty when the headers carry no frame information.
    std::optional<std::uint32_t> repeated;
    std::optional<LONGLONG> dropped;
    std::optional<Clock::time_point> first;
    std::optional<Clock::time_point> last;

    // Frames per second from the first delivery to the last; none before
    // the second frame.
    std::optional<double> rate() const;
};

// Buffers queued at once while frames are wanted: enough that the pin has
// one to fill while the tool takes the last one out.
constexpr std::uint32_t kQueuedBuffers = 3;

// Runs `pin` (made, in KSSTATE_STOP) for plan.frames frames and stops it
// again, also when a delivery is wrong or the writer fails (both throw
// std::runtime_error).
CaptureTiming captureFrames(host::streaming::PinHandle& pin, const CapturePlan& plan,
                            FrameWriter& writer, ProgressLine& progress);
