// The stand-in's kernel handle table: handles to thread objects, as
// PsCreateSystemThread returns them. A handle holds one reference on its
// object until ZwClose.
//
// Thread-safe; any thread.
#pragma once

#include <cstddef>

#include "nt_kernel.h"

namespace host {

// Test-facing: handles opened and not yet closed.
std::size_t openKernelHandles();

namespace detail {

// A new handle holding one (already counted) reference to `thread`.
HANDLE openHandle(PETHREAD thread);

// Closes every open handle, dropping its reference; returns how many.
std::size_t closeAllHandlesForTest();

}  // namespace detail
}  // namespace host
