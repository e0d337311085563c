// The answer ZwQueryValueKey writes for one value, in the layout of its
// information class, with the kernel's rules for short buffers. Pure; any
// thread.
#pragma once

#include "nt_kernel.h"
#include "registry_key.h"

namespace host::detail {

// Writes the answer for `value` in `infoClass` into `buffer` (`length`
// bytes) and sets *resultLength to the size the whole answer needs. A
// buffer shorter than the class's fixed part gets nothing and
// STATUS_BUFFER_TOO_SMALL; one that holds the fixed part but not all of
// the name and data gets the fixed part, as much as fits of the rest, and
// STATUS_BUFFER_OVERFLOW. Basic, Full and Partial are supported; any other
// class gives STATUS_INVALID_PARAMETER.
NTSTATUS writeKeyValueInformation(const NamedValue& value, KEY_VALUE_INFORMATION_CLASS infoClass,
                                  void* buffer, ULONG length, ULONG* resultLength);

}  // namespace host::detail
