#include "bus_signal.h"

namespace host::usb {

void BusSignal::dataReady() {
    {
        std::lock_guard lock(mutex_);
        ++readyGeneration_;
        pending_ = true;
    }
    wake_.notify_one();
}

void BusSignal::poke() {
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    wake_.notify_one();
}

void BusSignal::requestStop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
}

bool BusSignal::wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, timeout, [this] { return pending_ || stop_; });
    pending_ = false;
    return !stop_;
}

std::uint64_t BusSignal::readyGeneration() const {
    std::lock_guard lock(mutex_);
    return readyGeneration_;
}

}  // namespace host::usb
