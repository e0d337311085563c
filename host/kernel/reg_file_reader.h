// Reading a .reg file in regedit's format into the edits it asks for.
//
// The file is UTF-16LE with a byte-order mark (as regedit writes it), or
// UTF-8 / ASCII with or without one. Its first line is "Windows Registry
// Editor Version 5.00". Then, line by line (CRLF or LF):
//   blank lines and lines starting with ';'   ignored
//   [HKEY_LOCAL_MACHINE\...]                  the key the values below go
//                                             to, created with its parents
//   [-HKEY_LOCAL_MACHINE\...]                 deletes the key and its subtree
//   "Name"="text"  @="text"                   REG_SZ: UTF-16LE, terminated
//   "Name"=dword:1a                           REG_DWORD, 1 to 8 hex digits
//   "Name"=hex:01,ff                          REG_BINARY
//   "Name"=hex(b):01,...                      the type in hex, then the bytes
//   "Name"=-                                  deletes the value
// Names and strings escape \ and " with a backslash. A hex list may go on
// over following lines: a line that ends in a backslash continues with the
// next one, whose leading blanks are skipped.
//
// Strict: anything else, a value before any key, in a hive's own section
// or after a [-key], a key outside HKEY_LOCAL_MACHINE and HKEY_USERS, or
// text that is not UTF-8 / UTF-16 is an error. Pure; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registry_path.h"
#include "registry_value.h"

namespace host::detail {

struct RegFileEdit {
    enum class Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
    Kind kind;
    KeyPath key;
    std::u16string name;  // values only
    RegistryValue value;  // kSetValue only
};

// The edits in file order. Throws std::runtime_error("line N: <fault>"),
// N counting from 1, at the first fault.
std::vector<RegFileEdit> parseRegText(std::string_view fileBytes);

}  // namespace host::detail
