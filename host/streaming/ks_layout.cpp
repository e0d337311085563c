// The stand-in streaming class's structures and constants against Windows
// x64's (ks_layout_expectations.h), so that the host build of the driver
// sees the same structures as the kernel build: a difference fails this
// build. The same list is compiled against ks.h and ksmedia.h in the
// Windows kernel build.
#include "ks_api.h"

#include <kernel/layout_expectation.h>

#include "ks_layout_expectations.h"
