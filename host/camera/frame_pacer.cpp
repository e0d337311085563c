#include "frame_pacer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace host::camera {
namespace {

CameraTime periodOf(FramePacing pacing, double framesPerSecond) {
    if (pacing == FramePacing::kAsFastAsPossible) {
        return CameraTime::zero();
    }
    if (!(framesPerSecond > 0.0)) {
        throw std::invalid_argument("real-time pacing needs a frame rate above 0");
    }
    return CameraTime(std::llround(1e9 / framesPerSecond));
}

}  // namespace

FramePacer::FramePacer(FramePacing pacing, double framesPerSecond)
    : period_(periodOf(pacing, framesPerSecond)) {}

void FramePacer::setPacing(FramePacing pacing, double framesPerSecond) {
    period_ = periodOf(pacing, framesPerSecond);
}

CameraTime FramePacer::nextFrameTime(CameraTime now) {
    const CameraTime at = previous_ ? std::max(now, *previous_ + period_) : now;
    previous_ = at;
    return at;
}

}  // namespace host::camera
