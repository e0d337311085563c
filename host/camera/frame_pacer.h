// When a requested frame becomes available. At real-time pacing a frame is
// available no earlier than one frame period after the previous one (and
// never before it was requested); as fast as possible, at once.
#pragma once

#include <optional>

#include "camera_clock.h"

namespace host::camera {

enum class FramePacing { kRealTime, kAsFastAsPossible };

class FramePacer {
  public:
    // `framesPerSecond` matters for kRealTime only and must then be > 0
    // (std::invalid_argument otherwise).
    FramePacer(FramePacing pacing, double framesPerSecond);

    // The time a frame requested at `now` becomes available; that frame is
    // then the previous one.
    CameraTime nextFrameTime(CameraTime now);

    // Changes the pacing from the next frame on; the previous frame's time
    // still counts.
    void setPacing(FramePacing pacing, double framesPerSecond);

    CameraTime period() const { return period_; }

  private:
    CameraTime period_;  // 0 when as fast as possible
    std::optional<CameraTime> previous_;
};

}  // namespace host::camera
