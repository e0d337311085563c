// Kernel handles on the stand-in: ZwClose and ObReferenceObjectByHandle.
#include "handle_table.h"

#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "registry_key.h"
#include "thread_object.h"
#include "violation.h"

namespace {

// One of the two is set.
struct HandleEntry {
    PETHREAD thread = nullptr;
    std::shared_ptr<host::detail::RegistryKey> key;
};

struct HandleTable {
    std::mutex lock;
    std::unordered_map<ULONG_PTR, HandleEntry> entries;
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

std::optional<HandleEntry> lookUp(HANDLE handle) {
    std::lock_guard guard(table().lock);
    auto entry = table().entries.find(keyOf(handle));
    return entry == table().entries.end() ? std::nullopt : std::optional(entry->second);
}

HANDLE addEntry(HandleEntry entry) {
    std::lock_guard guard(table().lock);
    const ULONG_PTR key = table().next;
    table().next += 4;
    table().entries[key] = std::move(entry);
    return reinterpret_cast<HANDLE>(key);
}

// Removes the entry; its object is released by the caller, outside the lock.
std::optional<HandleEntry> takeEntry(HANDLE handle) {
    std::lock_guard guard(table().lock);
    auto entry = table().entries.find(keyOf(handle));
    if (entry == table().entries.end()) {
        return std::nullopt;
    }
    HandleEntry taken = std::move(entry->second);
    table().entries.erase(entry);
    return taken;
}

void release(HandleEntry& entry) {
    if (entry.thread != nullptr) {
        ObfDereferenceObject(entry.thread);
    }
    entry.key.reset();
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
    return addEntry(HandleEntry{thread, nullptr});
}

HANDLE openKeyHandle(std::shared_ptr<RegistryKey> key) {
    return addEntry(HandleEntry{nullptr, std::move(key)});
}

NTSTATUS keyOfHandle(HANDLE handle, std::shared_ptr<RegistryKey>* key) {
    std::optional<HandleEntry> entry = lookUp(handle);
    if (!entry) {
        return STATUS_INVALID_HANDLE;
    }
    if (entry->key == nullptr) {
        return STATUS_OBJECT_TYPE_MISMATCH;
    }
    *key = std::move(entry->key);
    return STATUS_SUCCESS;
}

std::size_t closeAllHandlesForTest() {
    std::vector<HandleEntry> entries;
    {
        std::lock_guard guard(table().lock);
        for (auto& entry : table().entries) {
            entries.push_back(std::move(entry.second));
        }
        table().entries.clear();
    }
    for (HandleEntry& entry : entries) {
        release(entry);
    }
    return entries.size();
}

}  // namespace detail
}  // namespace host

// Closing a handle that is not open is a violation (Driver Verifier stops
// the machine for it) and returns STATUS_INVALID_HANDLE.
extern "C" NTSTATUS NTAPI ZwClose(HANDLE Handle) {
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation("ZwClose called above PASSIVE_LEVEL");
    }
    std::optional<HandleEntry> entry = takeEntry(Handle);
    if (!entry) {
        host::reportViolation("ZwClose: the handle is not open");
        return STATUS_INVALID_HANDLE;
    }
    release(*entry);
    return STATUS_SUCCESS;
}

// Only thread objects can be referenced: a key handle gives
// STATUS_OBJECT_TYPE_MISMATCH whatever ObjectType says (drivers use key
// handles only with the registry calls). Windows' strict reading of the
// call: the caller names the object type (*PsThreadType) and the access it
// needs. Windows skips the access check for kernel-mode callers and takes
// any object for a null type, which hides a handle of the wrong kind; here
// either omission is a violation that takes no reference
// (STATUS_ACCESS_DENIED, STATUS_OBJECT_TYPE_MISMATCH).
extern "C" NTSTATUS NTAPI ObReferenceObjectByHandle(HANDLE Handle, ACCESS_MASK DesiredAccess,
                                                    POBJECT_TYPE ObjectType,
                                                    KPROCESSOR_MODE /*AccessMode*/, PVOID* Object,
                                                    POBJECT_HANDLE_INFORMATION HandleInformation) {
    if (KeGetCurrentIrql() > APC_LEVEL) {
        host::reportViolation("ObReferenceObjectByHandle called above APC_LEVEL");
    }
    *Object = nullptr;
    if (DesiredAccess == 0) {
        host::reportViolation("ObReferenceObjectByHandle: no access asked for (DesiredAccess 0)");
        return STATUS_ACCESS_DENIED;
    }
    if (ObjectType == nullptr) {
        host::reportViolation("ObReferenceObjectByHandle: no object type (ObjectType null)");
        return STATUS_OBJECT_TYPE_MISMATCH;
    }
    std::optional<HandleEntry> entry = lookUp(Handle);
    if (!entry) {
        return STATUS_INVALID_HANDLE;
    }
    PETHREAD thread = entry->thread;
    if (thread == nullptr || ObjectType != *PsThreadType) {
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
