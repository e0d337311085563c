// A registry value as the stand-in keeps it: its type and its exact bytes.
// Nothing ties the two together (a REG_DWORD may hold 3 bytes), as on
// Windows.
#pragma once

#include <cstdint>
#include <vector>

#include "nt_kernel.h"

namespace host {

struct RegistryValue {
    ULONG type = REG_NONE;
    std::vector<std::uint8_t> bytes;

    bool operator==(const RegistryValue&) const = default;
};

}  // namespace host
