// The read-only bounds and defaults of the tone settings and gains, one
// handler per distinct constant, shared by the items with that value.
#include "camera_property_ids.h"
#include "property_handlers.h"

namespace {

NTSTATUS ReportConstant(PVOID data, LONG constant) {
    if (data == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    static_cast<CameraPropertyValue*>(data)->value = constant;
    return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS NTAPI ConstantZeroHandler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 0);
}
NTSTATUS NTAPI ConstantOneHandler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 1);
}
NTSTATUS NTAPI ConstantTenHandler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 10);
}
NTSTATUS NTAPI ConstantTwentyHandler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 20);
}
NTSTATUS NTAPI Constant128Handler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 128);
}
NTSTATUS NTAPI Constant255Handler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 255);
}
NTSTATUS NTAPI Constant359Handler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 359);
}
NTSTATUS NTAPI Constant510Handler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 510);
}
NTSTATUS NTAPI Constant512Handler(PIRP, PKSIDENTIFIER, PVOID data) {
    return ReportConstant(data, 512);
}
