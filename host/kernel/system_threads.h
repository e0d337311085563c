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

namespace host {

// Test-facing: system threads whose start routine has not ended yet.
std::size_t systemThreadsRunning();

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

}  // namespace detail
}  // namespace host
