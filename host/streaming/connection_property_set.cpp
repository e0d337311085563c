// The class's own KSPROPSETID_Connection items on every pin: the stream
// state (a set steps the pin one state at a time) and the data format (a
// set is a format change). Handlers run under the device's dispatch lock,
// from runPropertyRequest.
#include "class_operations.h"
#include "property_request.h"

namespace host::streaming::detail {
namespace {

PinInstance* pinOf(PIRP irp) {
    return livePin(KsGetPinFromIrp(irp));
}

NTSTATUS NTAPI getState(PIRP irp, PKSIDENTIFIER, PVOID data) {
    *static_cast<PKSSTATE>(data) = pinOf(irp)->ks.DeviceState;
    irp->IoStatus.Information = sizeof(KSSTATE);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI setState(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return changePinState(*pinOf(irp), *static_cast<PKSSTATE>(data));
}

// The current format; an empty buffer is a size query.
NTSTATUS NTAPI getFormat(PIRP irp, PKSIDENTIFIER, PVOID data) {
    const KSDATAFORMAT& format = *pinOf(irp)->ks.ConnectionFormat;
    const ULONG length =
        IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.OutputBufferLength;
    irp->IoStatus.Information = format.FormatSize;
    if (length == 0) {
        return STATUS_BUFFER_OVERFLOW;
    }
    if (length < format.FormatSize) {
        irp->IoStatus.Information = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    std::memcpy(data, &format, format.FormatSize);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI setFormat(PIRP irp, PKSIDENTIFIER, PVOID data) {
    const ULONG length =
        IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.OutputBufferLength;
    return changePinFormat(*pinOf(irp), static_cast<const KSDATAFORMAT*>(data), length);
}

const KSPROPERTY_ITEM kConnectionItems[] = {
    DEFINE_KSPROPERTY_ITEM(KSPROPERTY_CONNECTION_STATE, getState, sizeof(KSPROPERTY),
                           sizeof(KSSTATE), setState, nullptr, 0, nullptr, nullptr, 0),
    DEFINE_KSPROPERTY_ITEM(KSPROPERTY_CONNECTION_DATAFORMAT, getFormat, sizeof(KSPROPERTY), 0,
                           setFormat, nullptr, 0, nullptr, nullptr, 0),
};

const KSPROPERTY_SET kConnectionSets[] = {
    DEFINE_KSPROPERTY_SET(&KSPROPSETID_Connection,
                          static_cast<ULONG>(SIZEOF_ARRAY(kConnectionItems)), kConnectionItems, 0,
                          nullptr),
};

const KSAUTOMATION_TABLE kPinAutomation = {
    DEFINE_KSAUTOMATION_PROPERTIES(kConnectionSets),
    DEFINE_KSAUTOMATION_METHODS_NULL,
    DEFINE_KSAUTOMATION_EVENTS_NULL,
};

}  // namespace

const KSAUTOMATION_TABLE& classPinAutomation() {
    return kPinAutomation;
}

}  // namespace host::streaming::detail
