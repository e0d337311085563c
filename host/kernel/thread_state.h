// Per-thread kernel state of the stand-in: the thread's IRQL, its
// critical-region depth and the locks it holds. Every thread starts at
// PASSIVE_LEVEL holding nothing, as a system worker thread does.
//
// The test-facing queries describe the calling thread. The host::detail part
// is for the stand-in's own IRQL, lock and floating-point code.
#pragma once

#include "nt_kernel.h"

namespace host {

// Calling thread's KeEnterCriticalRegion depth.
int criticalRegionDepth();
// Spin locks and fast mutexes the calling thread holds.
int spinLocksHeld();
int fastMutexesHeld();

// Spin locks and fast mutexes held by any thread, including threads that
// ended while holding one.
int spinLocksHeldAnywhere();
int fastMutexesHeldAnywhere();

namespace detail {

struct ThreadState {
    KIRQL irql = PASSIVE_LEVEL;
    int criticalRegionDepth = 0;
    int spinLocksHeld = 0;
    int fastMutexesHeld = 0;
};

ThreadState& currentThread();

// Non-zero and distinct for every live thread: the owner value a spin lock
// or fast mutex stores.
ULONG_PTR threadToken();

// Raises the calling thread to at least `level`; returns the previous IRQL.
KIRQL raiseIrqlTo(KIRQL level);

// Lowers the calling thread to `level` on behalf of `caller`. Raising
// through here, or dropping below what a held lock requires (DISPATCH_LEVEL
// for a spin lock, APC_LEVEL for a fast mutex), is a violation; the IRQL is
// set anyway.
void lowerIrqlTo(KIRQL level, const char* caller);

// Bookkeeping for the "held anywhere" counts; called by the lock code.
void noteSpinLock(int delta);
void noteFastMutex(int delta);

// Forgets the calling thread's state and the "held anywhere" counts.
void resetThreadStateForTest();

}  // namespace detail
}  // namespace host
