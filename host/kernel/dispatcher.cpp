#include "dispatcher.h"

#include <condition_variable>
#include <mutex>

namespace host::detail {
namespace {

// Never destroyed: system threads may still wait while the process exits.
struct Database {
    std::mutex lock;
    std::condition_variable signalled;
};

Database& database() {
    static Database* instance = new Database;
    return *instance;
}

bool isSignalled(const DISPATCHER_HEADER* object) {
    return object->SignalState > 0;
}

// A wait on a synchronization event consumes the signal; notification
// events and thread objects stay signalled.
void satisfy(DISPATCHER_HEADER* object) {
    if (object->Type == SynchronizationEvent) {
        object->SignalState = 0;
    }
}

// Lock held. The status that ends the wait now, or STATUS_PENDING.
NTSTATUS trySatisfy(DISPATCHER_HEADER* const* objects, ULONG count, bool waitAll) {
    if (waitAll) {
        for (ULONG i = 0; i < count; ++i) {
            if (!isSignalled(objects[i])) {
                return STATUS_PENDING;
            }
        }
        for (ULONG i = 0; i < count; ++i) {
            satisfy(objects[i]);
        }
        return STATUS_WAIT_0;
    }
    for (ULONG i = 0; i < count; ++i) {
        if (isSignalled(objects[i])) {
            satisfy(objects[i]);
            return STATUS_WAIT_0 + static_cast<NTSTATUS>(i);
        }
    }
    return STATUS_PENDING;
}

}  // namespace

bool isDispatcherObject(const DISPATCHER_HEADER* object) {
    return object->Type == NotificationEvent || object->Type == SynchronizationEvent ||
           object->Type == kThreadObjectType;
}

void initializeDispatcherObject(DISPATCHER_HEADER* object, UCHAR type, bool signalled) {
    object->Type = type;
    object->Signalling = 0;
    object->Size = 0;
    object->DpcActive = 0;
    object->SignalState = signalled ? 1 : 0;
    InitializeListHead(&object->WaitListHead);
}

LONG setSignalState(DISPATCHER_HEADER* object, LONG state) {
    Database& db = database();
    LONG previous = 0;
    {
        std::lock_guard guard(db.lock);
        previous = object->SignalState;
        object->SignalState = state;
    }
    if (state > 0) {
        db.signalled.notify_all();
    }
    return previous;
}

LONG readSignalState(DISPATCHER_HEADER* object) {
    std::lock_guard guard(database().lock);
    return object->SignalState;
}

NTSTATUS waitForObjects(DISPATCHER_HEADER* const* objects, ULONG count, bool waitAll,
                        const Deadline& deadline) {
    Database& db = database();
    std::unique_lock guard(db.lock);
    for (;;) {
        const NTSTATUS status = trySatisfy(objects, count, waitAll);
        if (status != STATUS_PENDING) {
            return status;
        }
        if (!deadline) {
            db.signalled.wait(guard);
        } else if (db.signalled.wait_until(guard, *deadline) == std::cv_status::timeout) {
            const NTSTATUS last = trySatisfy(objects, count, waitAll);
            return last != STATUS_PENDING ? last : STATUS_TIMEOUT;
        }
    }
}

}  // namespace host::detail
