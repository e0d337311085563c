// The device mutex on the stand-in: KsAcquireDevice and KsReleaseDevice.
// A kernel mutex underneath; the class makes it non-recursive and
// PASSIVE_LEVEL-only, as its documentation requires of callers.
#include <algorithm>
#include <string>

#include <kernel/host_kernel.h>

#include "class_objects.h"

namespace host::streaming::detail {

void DeviceMutex::acquire() {
    mutex_.lock();
    std::lock_guard lock(ownerLock_);
    owner_ = std::this_thread::get_id();
}

void DeviceMutex::release() {
    {
        std::lock_guard lock(ownerLock_);
        owner_ = std::thread::id();
    }
    mutex_.unlock();
}

bool DeviceMutex::held() const {
    std::lock_guard lock(ownerLock_);
    return owner_ != std::thread::id();
}

}  // namespace host::streaming::detail

namespace {

host::streaming::detail::DeviceInstance* deviceFor(PKSDEVICE Device, const char* caller) {
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation(std::string(caller) + " called above PASSIVE_LEVEL");
        return nullptr;
    }
    auto* device = host::streaming::detail::liveDevice(Device);
    if (device == nullptr) {
        host::reportViolation(std::string(caller) + ": not a live device");
    }
    return device;
}

// The calling thread's devices held, to catch recursion without touching
// the mutex.
thread_local std::vector<PKSDEVICE> devicesHeld;

bool callerHolds(PKSDEVICE Device) {
    return std::find(devicesHeld.begin(), devicesHeld.end(), Device) != devicesHeld.end();
}

}  // namespace

// Taking the mutex twice on one thread is a violation and does nothing.
extern "C" void NTAPI KsAcquireDevice(PKSDEVICE Device) {
    auto* device = deviceFor(Device, "KsAcquireDevice");
    if (device == nullptr) {
        return;
    }
    if (callerHolds(Device)) {
        host::reportViolation("KsAcquireDevice: the device mutex is already held by this thread");
        return;
    }
    device->deviceMutex.acquire();
    devicesHeld.push_back(Device);
}

// Releasing a mutex the calling thread does not hold is a violation and
// does nothing.
extern "C" void NTAPI KsReleaseDevice(PKSDEVICE Device) {
    auto* device = deviceFor(Device, "KsReleaseDevice");
    if (device == nullptr) {
        return;
    }
    if (!callerHolds(Device)) {
        host::reportViolation("KsReleaseDevice: the device mutex is not held by this thread");
        return;
    }
    devicesHeld.erase(std::find(devicesHeld.begin(), devicesHeld.end(), Device));
    device->deviceMutex.release();
}
