// Kernel handles on the stand-in: ZwClose and ObReferenceObjectByHandle.
#include "handle_table.h"

#include <mutex>
#include <unordered_map>
#include <vector>

#include "thread_object.h"
#include "violation.h"

namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<ULONG_PTR, PETHREAD> entries;
    // Kernel handles have the top bit set; values are multiples of 4.
    ULONG_PTR next = 0xFFFFFFFF80000004ULL;
};

HandleTable& table() {
    static HandleTable* instance = new HandleTable;
    return *instance;
}

ULONG_PTR keyOf(HANDLE handle) {
    return reinterpret_cast<ULONG_PTR>(handle);
}

PETHREAD lookUp(HANDLE handle) {
    std::lock_guard guard(table().lock);
    auto entry = table().entries.find(keyOf(handle));
    return entry == table().entries.end() ? nullptr : entry->second;
}

_OBJECT_TYPE* threadType() {
    static char anchor;
    return reinterpret_cast<_OBJECT_TYPE*>(&anchor);
}

POBJECT_TYPE threadTypeValue = threadType();

}  // namespace

extern "C" {
POBJECT_TYPE* PsThreadType = &threadTypeValue;
}

namespace host {

std::size_t openKernelHandles() {
    std::lock_guard guard(table().lock);
    return table().entries.size();
}

namespace detail {

HANDLE openHandle(PETHREAD thread) {
    std::lock_guard guard(table().lock);
    const ULONG_PTR key = table().next;
    table().next += 4;
    table().entries[key] = thread;
    return reinterpret_cast<HANDLE>(key);
}

std::size_t closeAllHandlesForTest() {
    std::vector<PETHREAD> objects;
    {
        std::lock_guard guard(table().lock);
        for (const auto& entry : table().entries) {
            objects.push_back(entry.second);
        }
        table().entries.clear();
    }
    for (PETHREAD object : objects) {
        ObfDereferenceObject(object);
    }
    return objects.size();
}

}  // namespace detail
}  // namespace host

// Closing a handle that is not open is a violation (Driver Verifier stops
// the machine for it) and returns STATUS_INVALID_HANDLE.
extern "C" NTSTATUS ZwClose(HANDLE Handle) {
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation("ZwClose called above PASSIVE_LEVEL");
    }
    PETHREAD object = nullptr;
    {
        std::lock_guard guard(table().lock);
        auto entry = table().entries.find(keyOf(Handle));
        if (entry != table().entries.end()) {
            object = entry->second;
            table().entries.erase(entry);
        }
    }
    if (object == nullptr) {
        host::reportViolation("ZwClose: the handle is not open");
        return STATUS_INVALID_HANDLE;
    }
    ObfDereferenceObject(object);
    return STATUS_SUCCESS;
}

// Only thread handles exist. A null ObjectType accepts any object.
extern "C" NTSTATUS ObReferenceObjectByHandle(HANDLE Handle, ACCESS_MASK DesiredAccess,
                                              POBJECT_TYPE ObjectType,
                                              KPROCESSOR_MODE /*AccessMode*/, PVOID* Object,
                                              POBJECT_HANDLE_INFORMATION HandleInformation) {
    if (KeGetCurrentIrql() > APC_LEVEL) {
        host::reportViolation("ObReferenceObjectByHandle called above APC_LEVEL");
    }
    *Object = nullptr;
    PETHREAD thread = lookUp(Handle);
    if (thread == nullptr) {
        return STATUS_INVALID_HANDLE;
    }
    if (ObjectType != nullptr && ObjectType != *PsThreadType) {
        return STATUS_OBJECT_TYPE_MISMATCH;
    }
    // The handle's reference keeps the object alive while this one is
    // taken, unless another thread closes the handle right now: a race the
    // driver must not have.
    ObfReferenceObject(thread);
    *Object = thread;
    if (HandleInformation != nullptr) {
        HandleInformation->HandleAttributes = OBJ_KERNEL_HANDLE;
        HandleInformation->GrantedAccess = DesiredAccess;
    }
    return STATUS_SUCCESS;
}
