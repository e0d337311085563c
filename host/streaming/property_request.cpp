#include "property_request.h"

#include <algorithm>

#include <kernel/host_kernel.h>

#include "class_irp.h"
#include "format_match.h"
#include "property_routing.h"

namespace host::streaming::detail {
namespace {

constexpr ULONG kPropertyBufferTag = host::poolTag("KsPr");

// The caller's request and data, captured as the class captures them. The
// data comes last, so a handler writing past it hits the pool block's end.
class SystemBuffer {
  public:
    SystemBuffer(const void* request, ULONG requestLength, const void* data, ULONG dataLength)
        : dataLength_(dataLength), dataOffset_(alignedRangeSize(requestLength)) {
        const SIZE_T size = SIZE_T{dataOffset_} + dataLength;
        block_ =
            static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPoolNx, size, kPropertyBufferTag));
        if (block_ == nullptr) {
            return;
        }
        std::memset(block_, 0, size);
        std::memcpy(block_, request, requestLength);
        if (dataLength != 0 && data != nullptr) {
            std::memcpy(block_ + dataOffset_, data, dataLength);
        }
    }
    ~SystemBuffer() {
        if (block_ != nullptr) {
            ExFreePoolWithTag(block_, kPropertyBufferTag);
        }
    }
    SystemBuffer(const SystemBuffer&) = delete;
    SystemBuffer& operator=(const SystemBuffer&) = delete;

    bool valid() const { return block_ != nullptr; }
    PVOID base() const { return block_; }
    PVOID data() const { return dataLength_ != 0 ? block_ + dataOffset_ : nullptr; }
    PKSPROPERTY request() const { return reinterpret_cast<PKSPROPERTY>(block_); }

  private:
    PUCHAR block_ = nullptr;
    ULONG dataLength_;
    ULONG dataOffset_;
};

std::vector<const KSAUTOMATION_TABLE*> tablesFor(FilterInstance* filter, PinInstance* pin) {
    if (pin != nullptr) {
        return {pin->ks.Descriptor->AutomationTable, &classPinAutomation()};
    }
    return {filter->ks.Descriptor->AutomationTable, &classFilterAutomation()};
}

// The routing of KsPropertyHandler, up to and including the handler call.
NTSTATUS route(PIRP irp, const std::vector<const KSAUTOMATION_TABLE*>& tables,
               const SystemBuffer& buffer, ULONG requestLength, ULONG dataLength) {
    PKSPROPERTY request = buffer.request();
    const PropertyLookup lookup = findProperty(tables, request->Set, request->Id);
    if (!lookup.setFound) {
        return STATUS_PROPSET_NOT_FOUND;
    }
    if ((request->Flags & KSPROPERTY_TYPE_SETSUPPORT) != 0) {
        return STATUS_SUCCESS;
    }
    if (lookup.item == nullptr) {
        return STATUS_NOT_FOUND;
    }
    const KSPROPERTY_ITEM& item = *lookup.item;
    if (requestLength < item.MinProperty) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    if ((request->Flags & KSPROPERTY_TYPE_BASICSUPPORT) != 0) {
        if (item.SupportHandler != nullptr) {
            return item.SupportHandler(irp, request, buffer.data());
        }
        return defaultBasicSupport(item, buffer.data(), dataLength, &irp->IoStatus.Information);
    }
    if (dataLength < item.MinData) {
        if (dataLength != 0) {
            return STATUS_BUFFER_TOO_SMALL;
        }
        irp->IoStatus.Information = item.MinData;
        return STATUS_BUFFER_OVERFLOW;
    }
    const bool set = (request->Flags & KSPROPERTY_TYPE_SET) != 0;
    PFNKSHANDLER handler = set ? item.SetPropertyHandler : item.GetPropertyHandler;
    if (handler == nullptr) {
        return STATUS_NOT_FOUND;
    }
    return handler(irp, request, buffer.data());
}

void describeRequest(PIRP irp, const void* request, ULONG requestLength, void* data,
                     ULONG dataLength, const SystemBuffer& buffer) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    stack->Parameters.DeviceIoControl.IoControlCode = IOCTL_KS_PROPERTY;
    stack->Parameters.DeviceIoControl.InputBufferLength = requestLength;
    stack->Parameters.DeviceIoControl.OutputBufferLength = dataLength;
    stack->Parameters.DeviceIoControl.Type3InputBuffer = const_cast<void*>(request);
    irp->UserBuffer = data;
    irp->AssociatedIrp.SystemBuffer = buffer.base();
    irp->RequestorMode = UserMode;
}

bool isError(NTSTATUS status) {
    return (static_cast<ULONG>(status) >> 30) == 3;
}

}  // namespace

PropertyResult runPropertyRequest(FilterInstance* filter, PinInstance* pin, const void* request,
                                  ULONG requestLength, void* data, ULONG dataLength) {
    if (request == nullptr || requestLength < sizeof(KSPROPERTY)) {
        return {STATUS_INVALID_BUFFER_SIZE, 0};
    }
    FilterInstance* target = pin != nullptr ? pin->filter : filter;
    SystemBuffer buffer(request, requestLength, data, dataLength);
    ClassIrp irp(target->factory->device->ks.FunctionalDeviceObject, IRP_MJ_DEVICE_CONTROL, 0,
                 target, pin);
    if (!buffer.valid() || irp.irp() == nullptr) {
        return {STATUS_INSUFFICIENT_RESOURCES, 0};
    }
    describeRequest(irp.irp(), request, requestLength, data, dataLength, buffer);
    irp.irp()->IoStatus.Information = 0;
    const NTSTATUS status =
        route(irp.irp(), tablesFor(filter, pin), buffer, requestLength, dataLength);
    ULONG_PTR information = irp.irp()->IoStatus.Information;
    if (isError(status)) {
        return {status, 0};
    }
    if (NT_SUCCESS(status) && information > dataLength) {
        host::reportViolation("a property handler returned more bytes than the data buffer holds");
        information = dataLength;
    }
    if (NT_SUCCESS(status) && information != 0) {
        std::memcpy(data, buffer.data(), information);
    }
    return {status, static_cast<ULONG>(information)};
}

}  // namespace host::streaming::detail
