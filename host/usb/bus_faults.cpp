#include "bus_faults.h"

namespace host::usb {

void BusFaults::refuseSubmission(std::size_t n, NTSTATUS status, USBD_STATUS usbdStatus,
                                 std::optional<USHORT> function) {
    std::lock_guard lock(mutex_);
    refuseCountdown_ = n;
    refusal_ = {status, usbdStatus};
    refuseFunction_ = function;
}

void BusFaults::failDeviceDescriptorRequests(bool on) {
    std::lock_guard lock(mutex_);
    deviceDescriptorFails_ = on;
}

void BusFaults::clear() {
    std::lock_guard lock(mutex_);
    refuseCountdown_ = 0;
    refuseFunction_.reset();
    deviceDescriptorFails_ = false;
}

std::optional<BusFaults::Refusal> BusFaults::countSubmission(USHORT function) {
    std::lock_guard lock(mutex_);
    if (refuseCountdown_ == 0 || (refuseFunction_ && *refuseFunction_ != function)) {
        return std::nullopt;
    }
    if (--refuseCountdown_ != 0) {
        return std::nullopt;
    }
    return refusal_;
}

bool BusFaults::deviceDescriptorFails() const {
    std::lock_guard lock(mutex_);
    return deviceDescriptorFails_;
}

}  // namespace host::usb
