// Reference counting of thread objects and of other objects the driver
// references (ObReferenceObject / ObDereferenceObject).
#include "thread_object.h"

#include <mutex>
#include <string>
#include <unordered_map>

#include "dispatcher.h"
#include "violation.h"

namespace {

// The live thread objects with their reference counts, and the references
// taken on anything else. Never destroyed: threads may outlive main.
struct References {
    std::mutex lock;
    std::unordered_map<const void*, LONG_PTR> threads;
    std::unordered_map<const void*, LONG_PTR> others;
};

References& references() {
    static References* instance = new References;
    return *instance;
}

}  // namespace

namespace host::detail {

PETHREAD createThreadObject(PKSTART_ROUTINE routine, PVOID context, LONG_PTR count) {
    auto* thread = new _ETHREAD;
    initializeDispatcherObject(&thread->Tcb.Header, kThreadObjectType, false);
    thread->startRoutine = routine;
    thread->startContext = context;
    std::lock_guard guard(references().lock);
    references().threads[thread] = count;
    return thread;
}

bool isThreadObject(const void* object) {
    std::lock_guard guard(references().lock);
    return references().threads.count(object) != 0;
}

std::size_t threadObjectCount() {
    std::lock_guard guard(references().lock);
    return references().threads.size();
}

void resetObjectReferencesForTest() {
    std::lock_guard guard(references().lock);
    references().others.clear();
}

}  // namespace host::detail

extern "C" LONG_PTR NTAPI ObfReferenceObject(PVOID Object) {
    References& refs = references();
    std::lock_guard guard(refs.lock);
    auto thread = refs.threads.find(Object);
    if (thread != refs.threads.end()) {
        return ++thread->second;
    }
    return ++refs.others[Object];
}

// Dropping a reference nobody holds is a violation and does nothing.
extern "C" LONG_PTR NTAPI ObfDereferenceObject(PVOID Object) {
    References& refs = references();
    _ETHREAD* deleted = nullptr;
    LONG_PTR remaining = 0;
    {
        std::lock_guard guard(refs.lock);
        auto thread = refs.threads.find(Object);
        auto& table = thread != refs.threads.end() ? refs.threads : refs.others;
        auto entry = thread != refs.threads.end() ? thread : refs.others.find(Object);
        if (entry == table.end()) {
            host::reportViolation("ObDereferenceObject: the object has no reference left");
            return 0;
        }
        remaining = --entry->second;
        if (remaining == 0) {
            if (&table == &refs.threads) {
                deleted = static_cast<_ETHREAD*>(Object);
            }
            table.erase(entry);
        }
    }
    delete deleted;
    return remaining;
}
