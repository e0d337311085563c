#include "ready_notifier.h"

namespace host::camera {

ReadyNotifier::ReadyNotifier(std::shared_ptr<CameraClock> clock)
    : clock_(std::move(clock)), thread_([this] { run(); }) {}

ReadyNotifier::~ReadyNotifier() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void ReadyNotifier::setCallback(std::function<void()> callback) {
    std::lock_guard lock(callbackMutex_);
    callback_ = std::move(callback);
}

void ReadyNotifier::notify() {
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    wake_.notify_one();
}

void ReadyNotifier::notifyAt(CameraTime when) {
    {
        std::lock_guard lock(mutex_);
        scheduled_ = when;
    }
    wake_.notify_one();
}

void ReadyNotifier::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (scheduled_ && clock_->realWaitUntil(*scheduled_) == std::chrono::nanoseconds::zero()) {
            scheduled_.reset();
            pending_ = true;
        }
        if (pending_) {
            pending_ = false;
            lock.unlock();
            deliver();
            lock.lock();
        } else if (scheduled_) {
            wake_.wait_for(lock, clock_->realWaitUntil(*scheduled_));
        } else {
            wake_.wait(lock);
        }
    }
}

void ReadyNotifier::deliver() {
    std::lock_guard lock(callbackMutex_);
    if (callback_) {
        callback_();
    }
}

}  // namespace host::camera
