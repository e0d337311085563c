// The time the camera paces its frames by. The steady clock is real time;
// the manual clock moves only when a test moves it, so pacing can be tested
// without any timing assertion.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>

namespace host::camera {

// A point in time on a camera clock, as time since the clock's epoch.
using CameraTime = std::chrono::nanoseconds;

class CameraClock {
  public:
    virtual ~CameraClock() = default;
    virtual CameraTime now() const = 0;
    // How long, in real time, a thread waiting for `deadline` on this clock
    // may sleep before looking again. 0 once the deadline has come.
    virtual std::chrono::nanoseconds realWaitUntil(CameraTime deadline) const = 0;
};

class SteadyCameraClock final : public CameraClock {
  public:
    CameraTime now() const override;
    std::chrono::nanoseconds realWaitUntil(CameraTime deadline) const override;
};

// Starts at 0 and moves only by advance(). Any thread may read or move it.
// A thread waiting for a deadline looks again every millisecond.
class ManualCameraClock final : public CameraClock {
  public:
    CameraTime now() const override;
    std::chrono::nanoseconds realWaitUntil(CameraTime deadline) const override;
    void advance(std::chrono::nanoseconds by);

  private:
    std::atomic<std::chrono::nanoseconds::rep> now_{0};
};

std::shared_ptr<CameraClock> steadyCameraClock();

}  // namespace host::camera
