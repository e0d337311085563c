#include "capture_loop.h"

#include <stdexcept>
#include <string>

#include "status_text.h"

namespace {

using host::streaming::CapturedFrame;
using host::streaming::PinHandle;
using Clock = CaptureTiming::Clock;

void check(NTSTATUS status, const char* what) {
    if (!NT_SUCCESS(status)) {
        throw std::runtime_error(std::string(what) + " failed (status " + statusText(status) + ")");
    }
}

// Paused with buffers queued, then running; stopped again on the way out,
// whatever happened, with the buffers the stop cancelled collected.
class RunningPin {
  public:
    explicit RunningPin(PinHandle& pin) : pin_(pin) {
        check(pin_.setState(KSSTATE_PAUSE), "pausing the capture pin");
    }
    ~RunningPin() {
        pin_.setState(KSSTATE_STOP);
        CapturedFrame cancelled;
        while (pin_.pendingFrames() > 0 && pin_.waitForFrame(&cancelled, kDrainWait)) {
        }
    }
    RunningPin(const RunningPin&) = delete;
    RunningPin& operator=(const RunningPin&) = delete;

    void run() { check(pin_.setState(KSSTATE_RUN), "running the capture pin"); }

  private:
    static constexpr std::chrono::milliseconds kDrainWait{1000};
    PinHandle& pin_;
};

void checkFrame(const CapturedFrame& frame, const CapturePlan& plan, std::uint32_t index) {
    const std::string name = "frame " + std::to_string(index);
    if (frame.status != STATUS_SUCCESS) {
        throw std::runtime_error(name + " came back with status " + statusText(frame.status));
    }
    if (frame.dataUsed != plan.imageBytes || frame.data.size() != plan.imageBytes) {
        throw std::runtime_error(name + " holds " + std::to_string(frame.dataUsed) +
                                 " bytes, not the format's " + std::to_string(plan.imageBytes));
    }
}

// Counts a repeated picture number and keeps the latest drop count.
void noteFrameInfo(const CapturedFrame& frame, std::optional<LONGLONG>* lastPicture,
                   CaptureTiming* timing) {
    if (!frame.frameInfo) {
        return;
    }
    const KS_FRAME_INFO& info = *frame.frameInfo;
    std::uint32_t repeated = timing->repeated.value_or(0);
    if (*lastPicture == info.PictureNumber) {
        ++repeated;
    }
    timing->repeated = repeated;
    timing->dropped = info.DropCount;
    *lastPicture = info.PictureNumber;
}

}  // namespace

std::optional<double> CaptureTiming::rate() const {
    if (delivered < 2 || !first || !last || *last <= *first) {
        return std::nullopt;
    }
    const std::chrono::duration<double> span = *last - *first;
    return (delivered - 1) / span.count();
}

CaptureTiming captureFrames(PinHandle& pin, const CapturePlan& plan, FrameWriter& writer,
                            ProgressLine& progress) {
    CaptureTiming timing;
    std::uint32_t queued = 0;
    auto queueBuffers = [&] {
        while (queued < plan.frames && queued - timing.delivered < kQueuedBuffers) {
            check(pin.submitFrame(plan.imageBytes), "queueing a frame buffer");
            ++queued;
        }
    };
    std::optional<LONGLONG> lastPicture;
    RunningPin running(pin);
    queueBuffers();
    running.run();
    while (timing.delivered < plan.frames) {
        if (plan.trigger) {
            plan.trigger();
        }
        CapturedFrame frame;
        if (!pin.waitForFrame(&frame, plan.frameWait)) {
            timing.timedOut = true;
            break;
        }
        const Clock::time_point now = Clock::now();
        checkFrame(frame, plan, timing.delivered);
        noteFrameInfo(frame, &lastPicture, &timing);
        timing.first = timing.first.value_or(now);
        timing.last = now;
        const std::uint32_t index = timing.delivered++;
        queueBuffers();
        writer.add(index, std::move(frame.data));
        progress.update(timing.delivered, timing.rate());
    }
    if (plan.beforeStop) {
        plan.beforeStop();
    }
    return timing;
}
