// Kernel time on the stand-in: the interrupt time (100-ns units since the
// process started, monotonic), the system time (100-ns units since
// 1601-01-01 UTC) and the deadline a kernel timeout value stands for.
// Any thread, any IRQL.
#pragma once

#include "dispatcher.h"

namespace host::detail {

// The kernel's timeout convention: null waits forever; a negative value is
// relative, in 100-ns units; zero polls; a positive value is an absolute
// system time.
Deadline deadlineFor(const LARGE_INTEGER* timeout);

}  // namespace host::detail
