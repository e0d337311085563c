// Key paths: as tests and .reg files write them ("HKEY_LOCAL_MACHINE\SYSTEM
// \..."), and as object names reach the kernel ("\Registry\Machine\..." or
// relative to an open key), both turned into the components that lead from
// the registry's root to a key. Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "nt_kernel.h"

namespace host::detail {

// Components below \Registry; a full path starts with the hive's kernel
// name, MACHINE or USER.
using KeyPath = std::vector<std::u16string>;

// Throws std::invalid_argument naming the fault: text that is not UTF-8, a
// hive other than HKEY_LOCAL_MACHINE and HKEY_USERS (the only two the
// stand-in has; the others are aliases into them on Windows), or an empty
// component.
KeyPath parseHivePath(std::string_view path);

// "HKEY_LOCAL_MACHINE" for the kernel hive name MACHINE (any case), and so
// on; empty for any other name.
std::string_view hiveDisplayName(std::u16string_view kernelName);

// Splits an object name. With a root key (`relative`) the name must not
// start with a backslash (STATUS_OBJECT_PATH_SYNTAX_BAD) and may be empty
// (the root key itself). Without one it must be absolute and lie under
// \Registry (STATUS_OBJECT_PATH_SYNTAX_BAD, STATUS_OBJECT_PATH_NOT_FOUND);
// the \Registry component is dropped. An odd byte length or an empty
// component (doubled or trailing backslash) is STATUS_OBJECT_NAME_INVALID.
NTSTATUS splitObjectName(const UNICODE_STRING& name, bool relative, KeyPath* components);

}  // namespace host::detail
