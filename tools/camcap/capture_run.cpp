#include "capture_run.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>

#include "capture_loop.h"
#include "setting_requests.h"
#include "video_pin.h"

namespace {

using std::chrono::milliseconds;

// Longer than the camera takes for a frame (its period), the driver's own
// wait for a frame read (TIMEOUT) and some slack for a busy machine.
milliseconds frameWait(const CamcapOptions& options, const host::streaming::FilterHandle& filter) {
    const milliseconds period{options.rate > 0 ? 1000 / options.rate : 0};
    const milliseconds readTimeout{static_cast<ULONG>(readSetting(filter, "TIMEOUT"))};
    return period + readTimeout + milliseconds(1000);
}

CapturePlan planFor(DriverSession& session, const CamcapOptions& options,
                    const VideoFormat& format) {
    CapturePlan plan;
    plan.frames = options.frames;
    plan.imageBytes = format.imageBytes;
    plan.frameWait = frameWait(options, session.filter());
    if (options.trigger) {
        plan.trigger = [&session] { session.camera().trigger(); };
    }
    return plan;
}

void makeOutputDirectory(const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        throw std::runtime_error("--out: cannot make " + dir.string() + ": " + error.message());
    }
}

std::string timeoutProblem(const CaptureOutcome& outcome, const CamcapOptions& options,
                           milliseconds wait, bool waitsForTrigger) {
    char text[64];
    std::snprintf(text, sizeof(text), "no frame came within %.1f s (%u of %u delivered); ",
                  wait.count() / 1000.0, static_cast<unsigned>(outcome.report.delivered),
                  static_cast<unsigned>(options.frames));
    std::string problem = text;
    problem += outcome.report.delivered == 0
                   ? "no frame written"
                   : describeFrameFiles(options.outDir, outcome.report.delivered, options.format) +
                         " written";
    if (waitsForTrigger) {
        problem +=
            "; the camera waits for its external trigger (EXTRIGGER=1), which --trigger "
            "fires";
    }
    return problem;
}

}  // namespace

CaptureOutcome runCapture(DriverSession& session, const CamcapOptions& options) {
    const host::streaming::FilterHandle& filter = session.filter();
    const VideoFormat format = negotiateVideoFormat(filter);
    CapturePlan plan = planFor(session, options, format);
    WorkerCounters counters;
    plan.beforeStop = [&] { counters = readWorkerCounters(session.device()); };
    const bool waitsForTrigger = !options.trigger && readSetting(filter, "EXTRIGGER") != 0;

    host::streaming::PinHandle pin = createVideoPin(filter, format);
    makeOutputDirectory(options.outDir);
    FrameWriter writer(options.outDir, format.size, options.format);
    ProgressLine progress(std::cerr, ::isatty(STDERR_FILENO) != 0, options.frames);
    const CaptureTiming timing = captureFrames(pin, plan, writer, progress);
    progress.finish();
    writer.finish();

    CaptureOutcome outcome;
    outcome.report = {.delivered = timing.delivered,
                      .repeated = timing.repeated,
                      .dropped = timing.dropped,
                      .size = format.size,
                      .counters = counters,
                      .framesPerSecond = timing.rate(),
                      .dir = options.outDir,
                      .format = options.format};
    outcome.timedOut = timing.timedOut;
    if (timing.timedOut) {
        outcome.timeoutProblem = timeoutProblem(outcome, options, plan.frameWait, waitsForTrigger);
    }
    return outcome;
}
