#include "class_faults.h"

#include <mutex>

namespace host::streaming {
namespace {

std::mutex faultsLock;

}  // namespace

ClassFaults& classFaults() {
    static ClassFaults faults;
    return faults;
}

void ClassFaults::failFilterFactories(NTSTATUS status) {
    std::lock_guard lock(faultsLock);
    factoryStatus_ = status;
}

void ClassFaults::failBagAdds(NTSTATUS status, std::size_t nth) {
    std::lock_guard lock(faultsLock);
    bagStatus_ = status;
    bagCountdown_ = nth;
}

void ClassFaults::failFilterCreation(bool fail) {
    std::lock_guard lock(faultsLock);
    failFilters_ = fail;
}

void ClassFaults::failPinCreation(bool fail) {
    std::lock_guard lock(faultsLock);
    failPins_ = fail;
}

void ClassFaults::withoutReferenceClock(bool none) {
    std::lock_guard lock(faultsLock);
    noClock_ = none;
}

void ClassFaults::reset() {
    std::lock_guard lock(faultsLock);
    factoryStatus_ = STATUS_SUCCESS;
    bagStatus_ = STATUS_SUCCESS;
    bagCountdown_ = 0;
    failFilters_ = false;
    failPins_ = false;
    noClock_ = false;
}

NTSTATUS ClassFaults::filterFactoryStatus() const {
    std::lock_guard lock(faultsLock);
    return factoryStatus_;
}

// With a countdown, only the add that brings it to zero fails; the
// injection is then spent.
NTSTATUS ClassFaults::nextBagAddStatus() {
    std::lock_guard lock(faultsLock);
    if (bagStatus_ == STATUS_SUCCESS) {
        return STATUS_SUCCESS;
    }
    if (bagCountdown_ == 0) {
        return bagStatus_;
    }
    if (--bagCountdown_ != 0) {
        return STATUS_SUCCESS;
    }
    const NTSTATUS status = bagStatus_;
    bagStatus_ = STATUS_SUCCESS;
    return status;
}

bool ClassFaults::filterCreationFails() const {
    std::lock_guard lock(faultsLock);
    return failFilters_;
}

bool ClassFaults::pinCreationFails() const {
    std::lock_guard lock(faultsLock);
    return failPins_;
}

bool ClassFaults::pinsGetNoClock() const {
    std::lock_guard lock(faultsLock);
    return noClock_;
}

}  // namespace host::streaming
