// The host threads behind the stand-in's system threads. Each
// PsCreateSystemThread runs its start routine on a std::thread; the thread
// counts as running until the routine returns or calls
// PsTerminateSystemThread, a moment before its thread object is signalled.
// Host threads whose routine has ended are joined later (by the next
// PsCreateSystemThread and by the between-tests reset), never by
// themselves; such a join waits at most for the thread's last few steps.
//
// Thread-safe; any thread.
#pragma once

#include <cstddef>
#include <functional>

#include "nt_kernel.h"

namespace host {

// Test-facing: system threads whose start routine has not ended yet.
std::size_t systemThreadsRunning();

// Test-facing: the nth PsCreateSystemThread from now (1-based) fails with
// `status` and creates nothing, as under resource exhaustion. Cleared by
// the between-tests reset.
void failSystemThreadCreation(std::size_t nth, NTSTATUS status);

namespace detail {

// Runs `body` on a new host thread, counted as running until
// noteSystemThreadEnded(). Throws std::system_error when the host cannot
// start a thread (nothing is counted then).
void startSystemThread(std::function<void()> body);

// Called by the thread's own trampoline once its routine is over, before
// its thread object is signalled.
void noteSystemThreadEnded();

// Joins the host threads whose routine has ended (never the caller's).
void joinFinishedSystemThreads();

// The status the current creation fails with (counting it), or
// STATUS_SUCCESS; and the reset of that injection.
NTSTATUS injectedThreadCreationStatus();
void clearThreadCreationInjection();

}  // namespace detail
}  // namespace host
