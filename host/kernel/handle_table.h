// The stand-in's kernel handle table: handles to thread objects, as
// PsCreateSystemThread returns them, and to registry keys, as the registry
// calls return them. A thread handle holds one reference on its object, a
// key handle keeps its key's node alive, until ZwClose.
//
// Thread-safe; any thread.
#pragma once

#include <cstddef>
#include <memory>

#include "nt_kernel.h"

namespace host {

// Test-facing: handles opened and not yet closed, of every kind.
std::size_t openKernelHandles();

namespace detail {

struct RegistryKey;

// A new handle holding one (already counted) reference to `thread`.
HANDLE openHandle(PETHREAD thread);
// A new handle to `key`.
HANDLE openKeyHandle(std::shared_ptr<RegistryKey> key);
// The key `handle` refers to: STATUS_INVALID_HANDLE when it is not open,
// STATUS_OBJECT_TYPE_MISMATCH when it is not a key handle.
NTSTATUS keyOfHandle(HANDLE handle, std::shared_ptr<RegistryKey>* key);

// Closes every open handle, dropping its reference; returns how many.
std::size_t closeAllHandlesForTest();

}  // namespace detail
}  // namespace host
