// The camera's own thread that calls the bus's data-ready callback. Every
// call comes from this thread, never from inside a call the bus made into
// the camera, so the bus may hold its locks while it calls the camera.
//
// Thread-safe. notify() and notifyAt() only record the wish and return.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "camera_clock.h"

namespace host::camera {

class ReadyNotifier {
  public:
    explicit ReadyNotifier(std::shared_ptr<CameraClock> clock);
    // Stops the thread; a call in progress finishes first.
    ~ReadyNotifier();
    ReadyNotifier(const ReadyNotifier&) = delete;
    ReadyNotifier& operator=(const ReadyNotifier&) = delete;

    // Replaces the callback; empty unregisters. Returns only once no call of
    // the old callback is in progress, so do not call it while holding a
    // lock that the callback takes.
    void setCallback(std::function<void()> callback);

    // Calls the callback once, soon. Several notify()s before the thread
    // gets to it make one call.
    void notify();
    // Calls the callback once when the clock reaches `when` (at once if it
    // has); replaces an earlier notifyAt that has not fired.
    void notifyAt(CameraTime when);

  private:
    void run();
    void deliver();

    const std::shared_ptr<CameraClock> clock_;
    std::mutex mutex_;  // guards the fields below
    std::condition_variable wake_;
    bool pending_ = false;
    std::optional<CameraTime> scheduled_;
    bool stopping_ = false;

    std::mutex callbackMutex_;  // held while the callback runs
    std::function<void()> callback_;

    std::thread thread_;  // last: starts once everything above exists
};

}  // namespace host::camera
