// What wakes the bus thread: new work, a cancelled request leaving a queue,
// the device saying an endpoint that NAKed may now have data, shutdown.
//
// Shared (std::shared_ptr) between the bus and the data-ready callback it
// gives the device, so a device that calls the callback late, from any
// thread, never touches a destroyed bus. Thread-safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace host::usb {

class BusSignal {
  public:
    // The device's data-ready callback: NAKed transfers are worth a retry.
    void dataReady();
    // Anything else the bus thread should look at.
    void poke();
    void requestStop();

    // Bus thread: waits until poked, data-ready or stop, at most `timeout`;
    // consumes the wake-up. Returns false once stop was requested.
    bool wait(std::chrono::milliseconds timeout);
    // Increases with every dataReady(); a NAKed transfer is retried once
    // the generation differs from the one read before its attempt.
    std::uint64_t readyGeneration() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool pending_ = false;
    bool stop_ = false;
    std::uint64_t readyGeneration_ = 0;
};

}  // namespace host::usb
