#include "../camera/camera_device.h"
#include "../platform/pool.h"
#include "../settings/settings_persistence.h"
#include "filter_context.h"
#include "filter_descriptor.h"

namespace {

void NTAPI FreeFilterContext(PVOID context) {
    FreeBlock(context);
}

}  // namespace

NTSTATUS NTAPI FilterCreate(PKSFILTER filter, PIRP /*irp*/) {
    auto* context = static_cast<FilterContext*>(AllocZeroed(sizeof(FilterContext), NonPagedPoolNx));
    if (context == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    context->filter = filter;
    const NTSTATUS status = KsAddItemToObjectBag(filter->Bag, context, FreeFilterContext);
    if (!NT_SUCCESS(status)) {
        FreeBlock(context);
        return status;
    }
    filter->Context = context;
    return status;
}

NTSTATUS NTAPI FilterClose(PKSFILTER filter, PIRP /*irp*/) {
    PKSDEVICE device = KsFilterGetDevice(filter);
    if (device != nullptr && device->Context != nullptr) {
        // Every close persists the settings; a failed save is not reported.
        saveSettings(static_cast<CameraDevice*>(device->Context));
    }
    return STATUS_SUCCESS;
}
