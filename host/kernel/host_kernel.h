// What a test uses to observe and steer the stand-in kernel: the pool
// ledger, the floating-point tracker, the calling thread's IRQL and lock
// state, violation recording and the between-tests reset. Driver code never
// includes this; it reaches the stand-in through driver/platform only.
#pragma once

#include "float_state.h"
#include "kernel_reset.h"
#include "nt_kernel.h"
#include "pool_ledger.h"
#include "thread_state.h"
#include "violation.h"
