// Pool tags under which the stand-in I/O manager allocates the objects it
// hands to drivers, so the pool ledger reports them by name when leaked
// and tests can fail their allocation (PoolLedger::failAllocationsWithTag).
#pragma once

#include "nt_kernel.h"

namespace host {

// The tag whose four characters read `name` in memory order.
constexpr ULONG poolTag(const char (&name)[5]) {
    return static_cast<ULONG>(static_cast<unsigned char>(name[0])) |
           static_cast<ULONG>(static_cast<unsigned char>(name[1])) << 8 |
           static_cast<ULONG>(static_cast<unsigned char>(name[2])) << 16 |
           static_cast<ULONG>(static_cast<unsigned char>(name[3])) << 24;
}

constexpr ULONG kIrpPoolTag = poolTag("Irp ");
constexpr ULONG kMdlPoolTag = poolTag("Mdl ");
// System buffers of METHOD_BUFFERED and direct-method requests.
constexpr ULONG kSystemBufferPoolTag = poolTag("IoSb");
// Device objects with their extensions.
constexpr ULONG kDeviceObjectPoolTag = poolTag("Devo");

}  // namespace host
