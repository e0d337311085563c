// The class's own KSPROPSETID_Pin items on every filter: instance counts,
// pin types, data flow, communication, data ranges and data intersection.
// Handlers run under the device's dispatch lock, from runPropertyRequest.
#include "data_intersection.h"
#include "format_match.h"
#include "property_request.h"

namespace host::streaming::detail {
namespace {

struct PinRequest {
    FilterInstance* filter = nullptr;
    const KSPIN_DESCRIPTOR_EX* pin = nullptr;
};

// The filter and the pin descriptor a KSP_PIN request names; pin null when
// the id is out of range.
PinRequest pinRequest(PIRP irp, PKSIDENTIFIER request) {
    PinRequest result;
    result.filter = liveFilter(KsGetFilterFromIrp(irp));
    const ULONG id = reinterpret_cast<PKSP_PIN>(request)->PinId;
    const KSFILTER_DESCRIPTOR& descriptor = *result.filter->ks.Descriptor;
    if (id < descriptor.PinDescriptorsCount) {
        const auto* base = reinterpret_cast<const UCHAR*>(descriptor.PinDescriptors);
        result.pin = reinterpret_cast<const KSPIN_DESCRIPTOR_EX*>(
            base + static_cast<SIZE_T>(id) * descriptor.PinDescriptorSize);
    }
    return result;
}

NTSTATUS NTAPI getInstances(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    const PinRequest target = pinRequest(irp, request);
    if (target.pin == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    const ULONG id = reinterpret_cast<PKSP_PIN>(request)->PinId;
    auto* instances = static_cast<PKSPIN_CINSTANCES>(data);
    instances->PossibleCount = target.pin->InstancesPossible;
    instances->CurrentCount = 0;
    for (const auto& pin : target.filter->pins) {
        instances->CurrentCount += pin->ks.Id == id ? 1U : 0U;
    }
    irp->IoStatus.Information = sizeof(KSPIN_CINSTANCES);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI getPinTypes(PIRP irp, PKSIDENTIFIER, PVOID data) {
    FilterInstance* filter = liveFilter(KsGetFilterFromIrp(irp));
    *static_cast<PULONG>(data) = filter->ks.Descriptor->PinDescriptorsCount;
    irp->IoStatus.Information = sizeof(ULONG);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI getDataFlow(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    const PinRequest target = pinRequest(irp, request);
    if (target.pin == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    *static_cast<PKSPIN_DATAFLOW>(data) = target.pin->PinDescriptor.DataFlow;
    irp->IoStatus.Information = sizeof(KSPIN_DATAFLOW);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI getCommunication(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    const PinRequest target = pinRequest(irp, request);
    if (target.pin == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    *static_cast<PKSPIN_COMMUNICATION>(data) = target.pin->PinDescriptor.Communication;
    irp->IoStatus.Information = sizeof(KSPIN_COMMUNICATION);
    return STATUS_SUCCESS;
}

ULONG rangesSize(const KSPIN_DESCRIPTOR& pin) {
    ULONG size = sizeof(KSMULTIPLE_ITEM);
    for (ULONG i = 0; i < pin.DataRangesCount; ++i) {
        size += alignedRangeSize(pin.DataRanges[i]->FormatSize);
    }
    return size;
}

// A KSMULTIPLE_ITEM of the ranges, each at an 8-byte boundary. An empty
// buffer is a size query (STATUS_BUFFER_OVERFLOW); a short one
// STATUS_BUFFER_TOO_SMALL.
NTSTATUS NTAPI getDataRanges(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    const PinRequest target = pinRequest(irp, request);
    if (target.pin == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    const KSPIN_DESCRIPTOR& pin = target.pin->PinDescriptor;
    const ULONG size = rangesSize(pin);
    const ULONG length =
        IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.OutputBufferLength;
    irp->IoStatus.Information = size;
    if (length == 0) {
        return STATUS_BUFFER_OVERFLOW;
    }
    if (length < size) {
        irp->IoStatus.Information = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    auto* out = static_cast<PUCHAR>(data);
    const KSMULTIPLE_ITEM header{size, pin.DataRangesCount};
    std::memcpy(out, &header, sizeof header);
    out += sizeof header;
    for (ULONG i = 0; i < pin.DataRangesCount; ++i) {
        std::memcpy(out, pin.DataRanges[i], pin.DataRanges[i]->FormatSize);
        out += alignedRangeSize(pin.DataRanges[i]->FormatSize);
    }
    return STATUS_SUCCESS;
}

const KSPROPERTY_ITEM kPinItems[] = {
    DEFINE_KSPROPERTY_ITEM(KSPROPERTY_PIN_CINSTANCES, getInstances, sizeof(KSP_PIN),
                           sizeof(KSPIN_CINSTANCES), nullptr, nullptr, 0, nullptr, nullptr, 0),
    DEFINE_KSPROPERTY_ITEM(KSPROPERTY_PIN_CTYPES, getPinTypes, sizeof(KSPROPERTY), sizeof(ULONG),
                           nullptr, nullptr, 0, nullptr, nullptr, 0),
    DEFINE_KSPROPERTY_ITEM(KSPROPERTY_PIN_DATAFLOW, getDataFlow, sizeof(KSP_PIN),
                           sizeof(KSPIN_DATAFLOW), nullptr, nullptr, 0, nullptr, nullptr, 0),
    DEFINE_KSPROPERTY_ITEM(KSPROPERTY_PIN_DATARANGES, getDataRanges, sizeof(KSP_PIN), 0, nullptr,
                           nullptr, 0, nullptr, nullptr, 0),
    DEFINE_KSPROPERTY_ITEM(KSPROPERTY_PIN_DATAINTERSECTION, intersectDataRanges,
                           sizeof(KSP_PIN) + sizeof(KSMULTIPLE_ITEM), 0, nullptr, nullptr, 0,
                           nullptr, nullptr, 0),
    DEFINE_KSPROPERTY_ITEM(KSPROPERTY_PIN_COMMUNICATION, getCommunication, sizeof(KSP_PIN),
                           sizeof(KSPIN_COMMUNICATION), nullptr, nullptr, 0, nullptr, nullptr, 0),
};

const KSPROPERTY_SET kPinSets[] = {
    DEFINE_KSPROPERTY_SET(&KSPROPSETID_Pin, static_cast<ULONG>(SIZEOF_ARRAY(kPinItems)), kPinItems,
                          0, nullptr),
};

const KSAUTOMATION_TABLE kFilterAutomation = {
    DEFINE_KSAUTOMATION_PROPERTIES(kPinSets),
    DEFINE_KSAUTOMATION_METHODS_NULL,
    DEFINE_KSAUTOMATION_EVENTS_NULL,
};

}  // namespace

const KSAUTOMATION_TABLE& classFilterAutomation() {
    return kFilterAutomation;
}

}  // namespace host::streaming::detail
