// Pin instances on the stand-in class: creation with a connection format,
// format changes, state changes one step at a time, and closing. A pin's
// stream (queue, processing, clock: pin_stream.h) is made before the driver
// hears of the pin and closed before its Close; every state change (all its
// steps) and format change runs with the pin's processing held off, so the driver's Process
// never overlaps its SetDeviceState or SetDataFormat.
#include <algorithm>

#include <kernel/host_kernel.h>

#include "class_faults.h"
#include "class_irp.h"
#include "class_operations.h"
#include "format_match.h"
#include "pin_stream.h"

namespace host::streaming::detail {
namespace {

const KSPIN_DESCRIPTOR_EX* pinDescriptor(const KSFILTER_DESCRIPTOR& filter, ULONG id) {
    const auto* base = reinterpret_cast<const UCHAR*>(filter.PinDescriptors);
    return reinterpret_cast<const KSPIN_DESCRIPTOR_EX*>(base + id * filter.PinDescriptorSize);
}

ULONG instancesOf(const FilterInstance& filter, ULONG id) {
    return static_cast<ULONG>(std::count_if(filter.pins.begin(), filter.pins.end(),
                                            [id](const auto& pin) { return pin->ks.Id == id; }));
}

// A format of `length` bytes is whole: its FormatSize covers at least a
// KSDATAFORMAT and no more than it was given.
bool wholeFormat(const KSDATAFORMAT* format, ULONG length) {
    return length >= sizeof(KSDATAFORMAT) && format->FormatSize >= sizeof(KSDATAFORMAT) &&
           format->FormatSize <= length;
}

std::unique_ptr<LONGLONG[]> copyFormat(const KSDATAFORMAT& format) {
    auto copy = std::make_unique<LONGLONG[]>((format.FormatSize + 7U) / 8U);
    std::memcpy(copy.get(), &format, format.FormatSize);
    return copy;
}

const KSPIN_DISPATCH* dispatchOf(const PinInstance& pin) {
    return pin.ks.Descriptor->Dispatch;
}

PDEVICE_OBJECT fdoOf(const PinInstance& pin) {
    return pin.filter->factory->device->ks.FunctionalDeviceObject;
}

void fillPin(PinInstance& pin, const KSPIN_CONNECT& connect, const KSPIN_DESCRIPTOR_EX& descriptor,
             const KSDATAFORMAT& format) {
    pin.ks.Descriptor = &descriptor;
    pin.ks.Bag = pin.bag.handle();
    pin.ks.Id = connect.PinId;
    pin.ks.Communication = descriptor.PinDescriptor.Communication;
    pin.ks.ConnectionInterface = connect.Interface;
    pin.ks.ConnectionMedium = connect.Medium;
    pin.ks.ConnectionPriority = connect.Priority;
    pin.format = copyFormat(format);
    pin.ks.ConnectionFormat = reinterpret_cast<PKSDATAFORMAT>(pin.format.get());
    pin.ks.DataFlow = descriptor.PinDescriptor.DataFlow;
    pin.ks.DeviceState = KSSTATE_STOP;
    pin.ks.ClientState = KSSTATE_STOP;
    pin.ks.ResetState = KSRESET_END;
}

// SetDataFormat with no old format, then Create.
NTSTATUS announcePin(PinInstance& pin, const KSDATARANGE* range) {
    const KSPIN_DISPATCH* dispatch = dispatchOf(pin);
    if (dispatch == nullptr) {
        return STATUS_SUCCESS;
    }
    if (dispatch->SetDataFormat != nullptr) {
        const NTSTATUS status = dispatch->SetDataFormat(&pin.ks, nullptr, nullptr, range, nullptr);
        if (!NT_SUCCESS(status)) {
            return status;
        }
    }
    if (dispatch->Create == nullptr) {
        return STATUS_SUCCESS;
    }
    ClassIrp irp(fdoOf(pin), IRP_MJ_CREATE, 0, pin.filter, &pin);
    return irp.irp() == nullptr ? STATUS_INSUFFICIENT_RESOURCES
                                : dispatch->Create(&pin.ks, irp.irp());
}

}  // namespace

// Refusals before the driver hears of the pin: a short request, an unknown
// pin id or a format that is not whole: STATUS_INVALID_PARAMETER; all
// InstancesPossible in use: STATUS_UNSUCCESSFUL; no matching range:
// STATUS_NO_MATCH.
NTSTATUS createPin(FilterInstance& filter, const KSPIN_CONNECT* connect, ULONG length,
                   PinInstance** pin) {
    *pin = nullptr;
    if (length < sizeof(KSPIN_CONNECT) + sizeof(KSDATAFORMAT)) {
        return STATUS_INVALID_PARAMETER;
    }
    const KSFILTER_DESCRIPTOR& descriptor = *filter.ks.Descriptor;
    const auto* format = reinterpret_cast<const KSDATAFORMAT*>(connect + 1);
    if (connect->PinId >= descriptor.PinDescriptorsCount ||
        !wholeFormat(format, length - static_cast<ULONG>(sizeof(KSPIN_CONNECT)))) {
        return STATUS_INVALID_PARAMETER;
    }
    const KSPIN_DESCRIPTOR_EX* pinDescriptorEx = pinDescriptor(descriptor, connect->PinId);
    if (instancesOf(filter, connect->PinId) >= pinDescriptorEx->InstancesPossible) {
        return STATUS_UNSUCCESSFUL;
    }
    const KSDATARANGE* range = matchingRange(pinDescriptorEx->PinDescriptor, *format);
    if (range == nullptr) {
        return STATUS_NO_MATCH;
    }
    if (classFaults().pinCreationFails()) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    auto instance = std::make_unique<PinInstance>();
    instance->filter = &filter;
    fillPin(*instance, *connect, *pinDescriptorEx, *format);
    registerObject(&instance->ks, KsObjectTypePin, instance.get());
    NTSTATUS status = openStream(*instance);
    if (NT_SUCCESS(status)) {
        status = announcePin(*instance, range);
    }
    if (!NT_SUCCESS(status)) {
        closeStream(*instance);
        instance->bag.empty();
        unregisterObject(&instance->ks);
        return status;
    }
    *pin = instance.get();
    filter.pins.push_back(std::move(instance));
    return STATUS_SUCCESS;
}

void closePin(PinInstance* pin) {
    changePinState(*pin, KSSTATE_STOP);
    closeStream(*pin);
    const KSPIN_DISPATCH* dispatch = dispatchOf(*pin);
    if (dispatch != nullptr && dispatch->Close != nullptr) {
        ClassIrp irp(fdoOf(*pin), IRP_MJ_CLOSE, 0, pin->filter, pin);
        if (irp.irp() != nullptr) {
            dispatch->Close(&pin->ks, irp.irp());
        }
    }
    pin->bag.empty();
    unregisterObject(&pin->ks);
    auto& pins = pin->filter->pins;
    pins.erase(std::find_if(pins.begin(), pins.end(),
                            [pin](const auto& held) { return held.get() == pin; }));
}

namespace {

NTSTATUS stepPinState(PinInstance& pin, KSSTATE to) {
    const KSPIN_DISPATCH* dispatch = dispatchOf(pin);
    NTSTATUS status = STATUS_SUCCESS;
    if (dispatch != nullptr && dispatch->SetDeviceState != nullptr) {
        status = dispatch->SetDeviceState(&pin.ks, to, pin.ks.DeviceState);
    }
    if (NT_SUCCESS(status)) {
        pin.ks.DeviceState = to;
    }
    return status;
}

}  // namespace

// The whole change runs with processing held (a running Process finishes
// first); processing resumes under the state reached, and reaching Stop
// cancels the queued buffers.
NTSTATUS changePinState(PinInstance& pin, KSSTATE target) {
    if (target < KSSTATE_STOP || target > KSSTATE_RUN) {
        return STATUS_INVALID_PARAMETER;
    }
    holdStream(pin);
    pin.ks.ClientState = target;
    NTSTATUS status = STATUS_SUCCESS;
    while (NT_SUCCESS(status) && pin.ks.DeviceState != target) {
        const KSSTATE from = pin.ks.DeviceState;
        status = stepPinState(pin, static_cast<KSSTATE>(from < target ? from + 1 : from - 1));
    }
    releaseStream(pin);
    return status;
}

// The new format is the pin's ConnectionFormat while SetDataFormat runs
// (OldFormat the previous one); a refusal puts the old one back. A pin
// with KSPIN_FLAG_FIXED_FORMAT refuses with STATUS_INVALID_DEVICE_REQUEST.
NTSTATUS changePinFormat(PinInstance& pin, const KSDATAFORMAT* format, ULONG length) {
    if (!wholeFormat(format, length)) {
        return STATUS_INVALID_PARAMETER;
    }
    if ((pin.ks.Descriptor->Flags & KSPIN_FLAG_FIXED_FORMAT) != 0) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    const KSDATARANGE* range = matchingRange(pin.ks.Descriptor->PinDescriptor, *format);
    if (range == nullptr) {
        return STATUS_NO_MATCH;
    }
    holdStream(pin);
    std::unique_ptr<LONGLONG[]> old = std::move(pin.format);
    pin.format = copyFormat(*format);
    pin.ks.ConnectionFormat = reinterpret_cast<PKSDATAFORMAT>(pin.format.get());
    const KSPIN_DISPATCH* dispatch = dispatchOf(pin);
    NTSTATUS status = STATUS_SUCCESS;
    if (dispatch != nullptr && dispatch->SetDataFormat != nullptr) {
        status = dispatch->SetDataFormat(&pin.ks, reinterpret_cast<PKSDATAFORMAT>(old.get()),
                                         nullptr, range, nullptr);
    }
    if (!NT_SUCCESS(status)) {
        pin.format = std::move(old);
        pin.ks.ConnectionFormat = reinterpret_cast<PKSDATAFORMAT>(pin.format.get());
    }
    releaseStream(pin);
    return status;
}

}  // namespace host::streaming::detail
