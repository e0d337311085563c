// Writing the registry in the format regedit exports: the line "Windows
// Registry Editor Version 5.00", a blank line, then one [key] section per
// key below the hives, parents before children, subkeys in
// case-insensitive order, each followed by a blank line. Values, in the
// order they were first set:
//   "Name"=dword:0000000a     a REG_DWORD of 4 bytes
//   "Name"="text"             a REG_SZ that is one terminated string
//   "Name"=hex:01,02          REG_BINARY
//   "Name"=hex(7):41,00,...   any other type, or a REG_DWORD or REG_SZ
//                             whose bytes do not fit the forms above
// with @ for the default value, \\ and \" escaped in names and strings,
// and long hex lists wrapped after a comma with a trailing backslash, no
// line longer than 80 columns, continued two spaces in, as regedit does.
// Lines end in CRLF.
//
// The text is UTF-8. Regedit reads a file without a byte-order mark in the
// machine's ANSI code page, so a file whose names and strings are ASCII
// imports unchanged on Windows; one with other characters should be saved
// as UTF-16 ("Unicode") first.
#pragma once

#include <string>

#include "registry_key.h"

namespace host::detail {

// `root` is \Registry; the caller holds the registry's mutex. Throws
// std::runtime_error for a name holding an unpaired surrogate, which UTF-8
// cannot carry.
std::string formatRegText(const RegistryKey& root);

}  // namespace host::detail
