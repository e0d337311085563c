#include "camera_clock.h"

#include <algorithm>

namespace host::camera {

CameraTime SteadyCameraClock::now() const {
    return std::chrono::duration_cast<CameraTime>(
        std::chrono::steady_clock::now().time_since_epoch());
}

std::chrono::nanoseconds SteadyCameraClock::realWaitUntil(CameraTime deadline) const {
    return std::max(deadline - now(), std::chrono::nanoseconds::zero());
}

CameraTime ManualCameraClock::now() const {
    return CameraTime(now_.load());
}

std::chrono::nanoseconds ManualCameraClock::realWaitUntil(CameraTime deadline) const {
    if (deadline <= now()) {
        return std::chrono::nanoseconds::zero();
    }
    return std::chrono::milliseconds(1);
}

void ManualCameraClock::advance(std::chrono::nanoseconds by) {
    now_.fetch_add(by.count());
}

std::shared_ptr<CameraClock> steadyCameraClock() {
    return std::make_shared<SteadyCameraClock>();
}

}  // namespace host::camera
