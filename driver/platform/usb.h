// The driver's door to the USB client API: descriptors, URBs, USBD statuses,
// the hub's internal device controls and the USBD library calls
// (USBD_ParseConfigurationDescriptorEx, USBD_CreateConfigurationRequestEx).
//
// Windows build: the DDK's usb.h, usbdi.h, usbdlib.h and usbioctl.h, after
// ntddk.h. Host build: the stand-in's declarations (host/usb/usb_api.h),
// with the same names, values and layouts, served by the stand-in bus.
// Driver code includes this and never a USB system or stand-in header.
#pragma once

#include "kernel.h"

#if defined(BAYERCAM_WINDOWS_KERNEL)

#include <usb.h>
#include <usbdi.h>
// mingw-w64's usbdlib.h declares the USBD library without C linkage; the
// library exports the C names.
extern "C" {
#include <usbdlib.h>
}
#include <usbioctl.h>

#else

#include <usb/usb_api.h>

#endif
