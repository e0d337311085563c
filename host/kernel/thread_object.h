// Thread objects of the stand-in and the object references that keep them
// alive. A thread object is created by PsCreateSystemThread with two
// references (the handle's and the running thread's); each
// ObReferenceObject(ByHandle) adds one, each ObDereferenceObject and the
// handle's ZwClose drop one, and the thread ends by dropping its own. The
// last dereference deletes it, on whichever thread drops it.
//
// Object references to anything that is not a thread object (a device
// object, say) are counted in a side table so unbalanced dereferences are
// caught; the object itself is not affected.
//
// Thread-safe; any thread, any IRQL.
#pragma once

#include <atomic>

#include "nt_kernel.h"

struct _KTHREAD {
    DISPATCHER_HEADER Header;  // first: the object is waitable
    std::atomic<KPRIORITY> Priority{8};
};

struct _ETHREAD {
    _KTHREAD Tcb;  // first: PETHREAD and PKTHREAD share an address
    PKSTART_ROUTINE startRoutine = nullptr;
    PVOID startContext = nullptr;
    NTSTATUS exitStatus = STATUS_PENDING;
};

namespace host::detail {

// A new thread object, unsignalled, with `references` references.
PETHREAD createThreadObject(PKSTART_ROUTINE routine, PVOID context, LONG_PTR references);

// True while the object has not been deleted.
bool isThreadObject(const void* object);

// Thread objects alive (referenced by someone).
std::size_t threadObjectCount();

// Forgets the references counted for objects that are not thread objects.
void resetObjectReferencesForTest();

}  // namespace host::detail
