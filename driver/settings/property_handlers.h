// The property set's handlers, in four shapes: the common handler (the
// settings and the read-only bounds it knows), one per tone setting, one
// per constant, and the dedicated ones for the region, the register write,
// the raw command and the byte read. All have the streaming class's
// handler signature and return STATUS_SUCCESS or STATUS_UNSUCCESSFUL.
// Every get reports in Irp->IoStatus.Information the bytes it returns (the
// whole payload); the class hands the caller exactly that many.
#pragma once

#include "../platform/streaming.h"

class CameraDevice;

// The device of the filter the request came through; null if the IRP has
// no filter, the filter no device, or the device no context.
CameraDevice* CameraFromIrp(PIRP irp);

bool IsSetRequest(const KSIDENTIFIER* request);

NTSTATUS NTAPI CommonPropertyHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);

NTSTATUS NTAPI BrightnessHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI ContrastHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI SaturationHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI HueHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);

NTSTATUS NTAPI ConstantZeroHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI ConstantOneHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI ConstantTenHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI ConstantTwentyHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI Constant128Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI Constant255Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI Constant359Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI Constant510Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI Constant512Handler(PIRP irp, PKSIDENTIFIER request, PVOID data);

NTSTATUS NTAPI RegionHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI RegisterWriteHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI RawCommandHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI ReadByteHandler(PIRP irp, PKSIDENTIFIER request, PVOID data);
