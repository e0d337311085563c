// The NTSTATUS an IRP completes with for a URB's USBD status, as the
// Windows USB stack maps them. Pure; any thread.
#pragma once

#include "usb_api.h"

namespace host::usb {

NTSTATUS ntStatusForUsbd(USBD_STATUS status);

}  // namespace host::usb
