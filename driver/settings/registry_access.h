// The few registry operations the settings persistence needs. Passive
// level (the registry functions require it); any thread.
#pragma once

#include "../platform/kernel.h"

// Creates or opens the key at `relativePath` below `parent`. Each leading
// part up to a backslash is created first (and closed at once), stopping at
// the first failure; then the full path is created and its handle returned
// in *key, which the caller closes with ZwClose. *key is null on failure.
NTSTATUS createKeyPath(HANDLE parent, ACCESS_MASK desiredAccess, PCWSTR relativePath, PHANDLE key);

// Reads the value `name` as a 32-bit number into *value: its first four
// data bytes whatever its type, zero-extended when it has fewer. A missing
// value, one longer than eight bytes or a failed query leave *value as is.
void readDwordValue(HANDLE key, PCWSTR name, PULONG value);

// Writes `value` as a REG_DWORD; a failure is not reported.
void writeDwordValue(HANDLE key, PCWSTR name, ULONG value);
