// The stand-in's dispatcher database. One process-wide lock guards the
// signal state of every dispatcher object (events, thread objects), and one
// condition variable wakes every waiter whenever any object is signalled;
// a woken waiter re-checks its own objects. Coarse, but the driver's few
// threads never contend on it enough to matter.
//
// Called by the event, wait and thread code of the stand-in, from any
// thread; the driver's KEVENT storage is only touched under the lock.
#pragma once

#include <chrono>
#include <optional>

#include "nt_dispatcher.h"

namespace host::detail {

// DISPATCHER_HEADER::Type of a thread object (events use EVENT_TYPE).
constexpr UCHAR kThreadObjectType = 6;

// True for the types above; anything else was never initialised.
bool isDispatcherObject(const DISPATCHER_HEADER* object);

// Initialises `object` as unsignalled or signalled (no lock needed: the
// object is not yet visible to other threads).
void initializeDispatcherObject(DISPATCHER_HEADER* object, UCHAR type, bool signalled);

// Sets the signal state under the lock and wakes every waiter; returns the
// previous state. Touches `object` only while holding the lock, so a waiter
// may free it as soon as its wait returns.
LONG setSignalState(DISPATCHER_HEADER* object, LONG state);
LONG readSignalState(DISPATCHER_HEADER* object);

// No deadline: wait forever. A deadline in the past: poll once.
using Deadline = std::optional<std::chrono::steady_clock::time_point>;

// Waits for any one (waitAll false) or all of the objects to be signalled.
// A satisfied wait resets synchronization events. Returns STATUS_WAIT_0 + i
// for WaitAny (the lowest signalled index), STATUS_WAIT_0 for WaitAll, or
// STATUS_TIMEOUT.
NTSTATUS waitForObjects(DISPATCHER_HEADER* const* objects, ULONG count, bool waitAll,
                        const Deadline& deadline);

}  // namespace host::detail
