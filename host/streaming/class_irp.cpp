#include "class_irp.h"

#include <mutex>
#include <unordered_map>

#include <kernel/host_kernel.h>

namespace host::streaming::detail {
namespace {

struct IrpTarget {
    FilterInstance* filter;
    PinInstance* pin;
};

std::mutex targetsLock;
std::unordered_map<PIRP, IrpTarget>& targets() {
    static auto* map = new std::unordered_map<PIRP, IrpTarget>;
    return *map;
}

bool findTarget(PIRP irp, IrpTarget& target) {
    std::lock_guard lock(targetsLock);
    auto found = targets().find(irp);
    if (found == targets().end()) {
        return false;
    }
    target = found->second;
    return true;
}

}  // namespace

ClassIrp::ClassIrp(PDEVICE_OBJECT device, UCHAR major, UCHAR minor, FilterInstance* filter,
                   PinInstance* pin) {
    irp_ = IoAllocateIrp(device->StackSize, FALSE);
    if (irp_ == nullptr) {
        return;
    }
    // As the I/O manager does before calling a dispatch routine.
    IoSetNextIrpStackLocation(irp_);
    PIO_STACK_LOCATION location = IoGetCurrentIrpStackLocation(irp_);
    location->MajorFunction = major;
    location->MinorFunction = minor;
    location->DeviceObject = device;
    irp_->IoStatus.Status = STATUS_SUCCESS;
    std::lock_guard lock(targetsLock);
    targets()[irp_] = IrpTarget{filter, pin};
}

ClassIrp::~ClassIrp() {
    if (irp_ == nullptr) {
        return;
    }
    {
        std::lock_guard lock(targetsLock);
        targets().erase(irp_);
    }
    const auto record = host::detail::findIrp(irp_);
    if (!record) {
        host::reportViolation("the driver freed an IRP the streaming class owns");
        return;
    }
    if (record->state == host::detail::IrpState::kCompleted) {
        host::reportViolation("the driver completed an IRP the streaming class owns");
    } else if (record->state != host::detail::IrpState::kOwned) {
        host::reportViolation("the driver sent on an IRP the streaming class owns");
        return;
    }
    IoFreeIrp(irp_);
}

}  // namespace host::streaming::detail

extern "C" PKSFILTER NTAPI KsGetFilterFromIrp(PIRP Irp) {
    host::streaming::detail::IrpTarget target{};
    if (!host::streaming::detail::findTarget(Irp, target) || target.filter == nullptr) {
        return nullptr;
    }
    return &target.filter->ks;
}

extern "C" PKSPIN NTAPI KsGetPinFromIrp(PIRP Irp) {
    host::streaming::detail::IrpTarget target{};
    if (!host::streaming::detail::findTarget(Irp, target) || target.pin == nullptr) {
        return nullptr;
    }
    return &target.pin->ks;
}
