// What every registry call checks first, shared by registry_api.cpp and
// registry_value_api.cpp: the IRQL and the caller's pointers; and the text
// of the names it is given.
#pragma once

#include <string_view>

#include "nt_kernel.h"

namespace host::detail {

// The status a registry call returns when it is refused as a violation.
constexpr NTSTATUS kRefusedCall = STATUS_INVALID_DEVICE_STATE;

// True at PASSIVE_LEVEL; otherwise reports "<caller> called above
// PASSIVE_LEVEL" and returns false.
bool atPassiveLevel(const char* caller);

// True when `pointer` is set; otherwise reports "<caller>: <what> is null"
// (Windows would fault on it) and returns false.
bool present(const void* pointer, const char* caller, const char* what);

// The text of a counted name; empty for a null or empty string.
std::u16string_view nameText(const UNICODE_STRING* name);

}  // namespace host::detail
