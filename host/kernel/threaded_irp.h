// The end of a request built by IoBuildDeviceIoControlRequest: when its
// completion runs past the last stack location, the I/O manager copies a
// buffered request's output back, frees the system buffer and the MDLs,
// frees the IRP, stores IoStatus in the caller's IO_STATUS_BLOCK and sets
// the caller's event, in that order, so that a caller woken by the event
// finds nothing of the request left allocated.
//
// Called by IofCompleteRequest on the completing thread, at its IRQL.
#pragma once

#include "irp_registry.h"

namespace host::detail {

void finishThreadedIrp(PIRP irp, const IrpRecord& record);

}  // namespace host::detail
