// The read-only bounds and defaults of the tone settings and gains, one
// handler per distinct constant, shared by the items with that value.
#include "camera_property_ids.h"
#include "property_handlers.h"

namespace {

NTSTATUS ReportConstant(PIRP irp, PVOID data, LONG constant) {
    if (irp == nullptr || data == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    static_cast<CameraPropertyValue*>(data)->value = constant;
    irp->IoStatus.Information = sizeof(CameraPropertyValue);
    return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS NTAPI ConstantZeroHandler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 0);
}
NTSTATUS NTAPI ConstantOneHandler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 1);
}
NTSTATUS NTAPI ConstantTenHandler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 10);
}
NTSTATUS NTAPI ConstantTwentyHandler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 20);
}
NTSTATUS NTAPI Constant128Handler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 128);
}
NTSTATUS NTAPI Constant255Handler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 255);
}
NTSTATUS NTAPI Constant359Handler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 359);
}
NTSTATUS NTAPI Constant510Handler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 510);
}
NTSTATUS NTAPI Constant512Handler(PIRP irp, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(irp, data, 512);
}
