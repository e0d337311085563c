// The DDK side of the layout checks (host/kernel/layout_expectation.h):
// the stand-in's lists of Windows x64 sizes, offsets and constants,
// compiled against mingw-w64's DDK headers exactly as the driver sees them
// (through driver/platform). A number in a list that is not the DDK's
// fails the Windows kernel build. Compiled with the driver's objects,
// never linked into the image: it holds nothing but static assertions.
#include "../driver/platform/kernel.h"
#include "../driver/platform/streaming.h"
#include "../driver/platform/usb.h"

#include "../host/kernel/layout_expectation.h"

#include "../host/kernel/kernel_layout_expectations.h"
#include "../host/streaming/ks_layout_expectations.h"
#include "../host/usb/usb_layout_expectations.h"
