// camcap: runs the driver on the simulated camera as Windows would, streams
// frames from its capture pin and writes them as images. See
// `camcap --help`.
#include <iostream>
#include <stdexcept>

#include "camcap_options.h"
#include "capture_run.h"
#include "driver_session.h"
#include "output_paths.h"
#include "pcap_output.h"
#include "property_table.h"
#include "scene_frame.h"
#include "setting_requests.h"
#include "tool_main.h"

namespace {

// Every output is checked before the driver starts: a bad path is bad
// input, reported before anything is written.
void checkOutputs(const CamcapOptions& options) {
    if (options.capturing()) {
        checkOutputDirectory(options.outDir);
    }
    if (options.pcapFile) {
        checkOutputFile("--pcap", *options.pcapFile);
    }
    if (options.registryFile) {
        checkOutputFile("--registry", *options.registryFile);
    }
}

DriverSessionOptions sessionOptions(const CamcapOptions& options) {
    DriverSessionOptions session;
    session.registryFile = options.registryFile;
    session.driverImage = options.driverImage;
    if (options.rate > 0) {
        session.pacing = host::camera::FramePacing::kRealTime;
        session.framesPerSecond = options.rate;
    }
    if (options.sceneFile) {
        session.sceneFrame = loadSceneFrame(*options.sceneFile);
    }
    session.traceBus = options.pcapFile.has_value();
    return session;
}

// The --set requests, then the region, then the trigger mode: the last
// word is the dedicated option's.
std::vector<PropertyRequest> settingsToMake(const CamcapOptions& options) {
    std::vector<PropertyRequest> sets = options.sets;
    if (options.roi) {
        sets.push_back(regionRequest(*options.roi));
    }
    if (options.trigger) {
        sets.push_back(parsePropertyRequest("EXTRIGGER=1"));
    }
    return sets;
}

void savePcapIfAsked(DriverSession& session, const CamcapOptions& options) {
    if (options.pcapFile) {
        const std::size_t packets = savePcap(session.bus().trace(), *options.pcapFile);
        std::cout << "bus trace:             " << options.pcapFile->string() << " (" << packets
                  << " packets)\n";
    }
}

int run(int argc, const char* const* argv) {
    const std::optional<CamcapOptions> options = parseCamcapOptions(argc, argv);
    if (!options) {
        return 0;
    }
    checkOutputs(*options);
    DriverSession session(sessionOptions(*options));
    applySettings(session.filter(), settingsToMake(*options));
    printSettings(session.filter(), options->gets, std::cout);
    if (options->list) {
        printPropertyTable(session.filter(), std::cout);
    }
    std::optional<CaptureOutcome> capture;
    if (options->capturing()) {
        capture = runCapture(session, *options);
    }
    if (capture && capture->timedOut) {
        // The trace of a run that stalled is what shows why: keep it.
        savePcapIfAsked(session, *options);
        throw std::runtime_error(capture->timeoutProblem);
    }
    session.finish();
    if (capture) {
        printCaptureReport(capture->report, std::cout);
    }
    savePcapIfAsked(session, *options);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runTool("camcap", [&] { return run(argc, argv); });
}
