// The pool tag of the blocks the stand-in's USBD library hands to a driver
// (USBD_CreateConfigurationRequestEx), so the ledger names them in a leak
// report. The driver frees them with ExFreePool, untagged.
#pragma once

#include "usb_api.h"

// "USBD" in memory order.
constexpr ULONG kUsbdPoolTag = 0x44425355;
