// What a test uses to observe and steer the stand-in kernel: the pool
// ledger, the floating-point tracker, the calling thread's IRQL and lock
// state, the live IRPs, MDLs, kernel handles and running system threads,
// driver objects for stand-in drivers, the registry, violation recording
// and the between-tests reset. Driver code never
// includes this; it reaches the stand-in through driver/platform only.
#pragma once

#include "driver_object.h"
#include "float_state.h"
#include "handle_table.h"
#include "irp_registry.h"
#include "kernel_reset.h"
#include "mdl_registry.h"
#include "nt_kernel.h"
#include "pool_ledger.h"
#include "pool_tags.h"
#include "registry.h"
#include "system_threads.h"
#include "thread_state.h"
#include "violation.h"
