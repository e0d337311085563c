// The property set's handlers, in four shapes: the common handler (the
// settings and the read-only bounds it knows), one per tone setting, one
// per constant, and the dedicated ones for the region, the register write,
// the raw command and the byte read. All have the streaming class's
// handler signature and return STATUS_SUCCESS or STATUS_UNSUCCESSFUL.
#pragma once

#include "../platform/streaming.h"

class CameraDevice;

// The device of the filter the request came through; null if the IRP has
// no filter, the filter no device, or the device no context.
CameraDevice* CameraFromIrp(PIRP irp);

bool IsSetRequest(const KSIDENTIFIER* request);

NTSTATUS CommonPropertyHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);

NTSTATUS BrightnessHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS ContrastHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS SaturationHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS HueHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);

NTSTATUS ConstantZeroHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS ConstantOneHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS ConstantTenHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS ConstantTwentyHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS Constant128Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS Constant255Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS Constant359Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS Constant510Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS Constant512Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);

NTSTATUS RegionHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS RegisterWriteHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS RawCommandHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS ReadByteHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
