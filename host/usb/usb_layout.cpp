// The stand-in USB client API's structures and constants against Windows
// x64's (usb_layout_expectations.h): a difference fails this build. The
// same list is compiled against the DDK in the Windows kernel build.
#include "usb_api.h"

#include <kernel/layout_expectation.h>

#include "usb_layout_expectations.h"
