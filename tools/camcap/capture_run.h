// One capture of camcap: the format negotiated at the current region, the
// pin made, the output directory made, the frames streamed and written,
// the pin stopped and closed, and the worker's counters read.
#pragma once

#include <string>

#include "camcap_options.h"
#include "capture_report.h"
#include "driver_session.h"

struct CaptureOutcome {
    CaptureReport report;
    bool timedOut = false;
    std::string timeoutProblem;  // set when timedOut: what to tell the user
};

// Throws std::runtime_error for a refused format, pin or state change, a
// wrong delivery, or a frame file that cannot be written; the frames
// written before stay.
CaptureOutcome runCapture(DriverSession& session, const CamcapOptions& options);
