// The MDLs IoAllocateMdl handed out and IoFreeMdl has not taken back, so
// that freeing an unknown MDL, and freeing an IRP that still carries one,
// are caught. MDLs in the caller's own storage (MmInitializeMdl) are not
// tracked.
//
// Thread-safe; any thread, any IRQL.
#pragma once

#include <cstddef>

#include "nt_kernel.h"

namespace host {

// Test-facing: MDLs allocated by IoAllocateMdl and not yet freed.
std::size_t liveMdls();

namespace detail {

void registerMdl(PMDL mdl);
// False if `mdl` was not registered.
bool unregisterMdl(PMDL mdl);
bool isLiveMdl(PMDL mdl);
// Forgets every MDL (the pool ledger frees their memory).
void resetMdlsForTest();

}  // namespace detail
}  // namespace host
