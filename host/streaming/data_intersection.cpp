#include "data_intersection.h"

#include "class_objects.h"
#include "format_match.h"

namespace host::streaming::detail {
namespace {

struct Intersection {
    PIRP irp;
    FilterInstance* filter;
    const KSPIN_DESCRIPTOR_EX* pin;
    PKSP_PIN request;
    ULONG dataLength;
    PVOID data;
};

NTSTATUS defaultIntersect(const KSDATARANGE& pinRange, ULONG dataLength, PVOID data, ULONG* size) {
    *size = pinRange.FormatSize;
    if (dataLength == 0) {
        return STATUS_BUFFER_OVERFLOW;
    }
    if (dataLength < pinRange.FormatSize) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    std::memcpy(data, &pinRange, pinRange.FormatSize);
    return STATUS_SUCCESS;
}

NTSTATUS intersectOne(const Intersection& work, PKSDATARANGE callerRange) {
    const KSPIN_DESCRIPTOR& pin = work.pin->PinDescriptor;
    for (ULONG i = 0; i < pin.DataRangesCount; ++i) {
        PKSDATARANGE pinRange = pin.DataRanges[i];
        if (!rangesIntersect(*callerRange, *pinRange)) {
            continue;
        }
        ULONG size = 0;
        const NTSTATUS status =
            work.pin->IntersectHandler != nullptr
                ? work.pin->IntersectHandler(&work.filter->ks, work.irp, work.request, callerRange,
                                             pinRange, work.dataLength, work.data, &size)
                : defaultIntersect(*pinRange, work.dataLength, work.data, &size);
        if (status == STATUS_NO_MATCH) {
            continue;
        }
        const bool sized = NT_SUCCESS(status) || status == STATUS_BUFFER_OVERFLOW;
        work.irp->IoStatus.Information = sized ? size : 0;
        return status;
    }
    return STATUS_NO_MATCH;
}

const KSPIN_DESCRIPTOR_EX* pinNamed(const KSFILTER_DESCRIPTOR& descriptor, ULONG id) {
    if (id >= descriptor.PinDescriptorsCount) {
        return nullptr;
    }
    const auto* base = reinterpret_cast<const UCHAR*>(descriptor.PinDescriptors);
    return reinterpret_cast<const KSPIN_DESCRIPTOR_EX*>(base + static_cast<SIZE_T>(id) *
                                                                   descriptor.PinDescriptorSize);
}

}  // namespace

NTSTATUS NTAPI intersectDataRanges(PIRP irp, PKSIDENTIFIER request, PVOID data) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    FilterInstance* filter = liveFilter(KsGetFilterFromIrp(irp));
    auto* pinRequest = reinterpret_cast<PKSP_PIN>(request);
    const KSPIN_DESCRIPTOR_EX* pin = pinNamed(*filter->ks.Descriptor, pinRequest->PinId);
    if (pin == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    const ULONG available =
        stack->Parameters.DeviceIoControl.InputBufferLength - static_cast<ULONG>(sizeof(KSP_PIN));
    auto* list = reinterpret_cast<PKSMULTIPLE_ITEM>(pinRequest + 1);
    if (list->Size < sizeof(KSMULTIPLE_ITEM) || list->Size > available) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    const Intersection work{
        irp, filter, pin, pinRequest, stack->Parameters.DeviceIoControl.OutputBufferLength, data};
    auto* bytes = reinterpret_cast<PUCHAR>(list);
    ULONG offset = sizeof(KSMULTIPLE_ITEM);
    for (ULONG i = 0; i < list->Count; ++i) {
        if (list->Size - offset < sizeof(KSDATARANGE)) {
            return STATUS_INVALID_BUFFER_SIZE;
        }
        auto* range = reinterpret_cast<PKSDATARANGE>(bytes + offset);
        if (range->FormatSize < sizeof(KSDATARANGE) || range->FormatSize > list->Size - offset) {
            return STATUS_INVALID_BUFFER_SIZE;
        }
        const NTSTATUS status = intersectOne(work, range);
        if (status != STATUS_NO_MATCH) {
            return status;
        }
        offset += alignedRangeSize(range->FormatSize);
        if (offset > list->Size) {
            break;
        }
    }
    return STATUS_NO_MATCH;
}

}  // namespace host::streaming::detail
