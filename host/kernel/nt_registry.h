// The configuration manager's calls a driver uses to keep its settings:
// the device's registry keys (IoOpenDeviceRegistryKey), keys below them
// (ZwCreateKey, ZwOpenKey), their values (ZwQueryValueKey, ZwSetValueKey,
// ZwDeleteValueKey), closed with ZwClose; and RtlInitUnicodeString for the
// names.
//
// Every registry call is PASSIVE_LEVEL only; a call above it is a rule
// violation and returns STATUS_INVALID_DEVICE_STATE without effect. Key and
// value names compare case-insensitively and keep the case they were
// created with. Access masks are recorded but not checked (kernel-mode
// callers skip access checks). The caller owns each key handle it gets and
// closes it with ZwClose; handles are kernel handles whatever the
// attributes say. The stand-in's contents and failure injection are in
// registry.h (tests only).
// Part of the driver-visible declarations that nt_kernel.h gathers.
#pragma once

#include "nt_base.h"
#include "nt_io.h"
#include "nt_thread.h"

// ---- Value types -----------------------------------------------------------
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_RESOURCE_LIST 8
#define REG_FULL_RESOURCE_DESCRIPTOR 9
#define REG_RESOURCE_REQUIREMENTS_LIST 10
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// ---- Key access rights ------------------------------------------------------
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ \
    ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & ~SYNCHRONIZE)
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & ~SYNCHRONIZE)
#define KEY_EXECUTE (KEY_READ & ~SYNCHRONIZE)
#define KEY_ALL_ACCESS                                                             \
    ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | \
      KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK) &                     \
     ~SYNCHRONIZE)

// ---- ZwCreateKey options and dispositions ------------------------------------
#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

// ---- IoOpenDeviceRegistryKey key types ---------------------------------------
#define PLUGPLAY_REGKEY_DEVICE 1
#define PLUGPLAY_REGKEY_DRIVER 2
#define PLUGPLAY_REGKEY_CURRENT_HWPROFILE 4

// ---- ZwQueryValueKey results -----------------------------------------------
typedef enum _KEY_VALUE_INFORMATION_CLASS {
    KeyValueBasicInformation,
    KeyValueFullInformation,
    KeyValuePartialInformation,
    KeyValueFullInformationAlign64,
    KeyValuePartialInformationAlign64,
    KeyValueLayerInformation,
    MaxKeyValueInfoClass
} KEY_VALUE_INFORMATION_CLASS;

typedef struct _KEY_VALUE_BASIC_INFORMATION {
    ULONG TitleIndex;
    ULONG Type;
    ULONG NameLength;  // bytes
    WCHAR Name[1];     // not terminated
} KEY_VALUE_BASIC_INFORMATION, *PKEY_VALUE_BASIC_INFORMATION;

typedef struct _KEY_VALUE_FULL_INFORMATION {
    ULONG TitleIndex;
    ULONG Type;
    ULONG DataOffset;  // from the start of the structure
    ULONG DataLength;
    ULONG NameLength;  // bytes
    WCHAR Name[1];     // not terminated
} KEY_VALUE_FULL_INFORMATION, *PKEY_VALUE_FULL_INFORMATION;

typedef struct _KEY_VALUE_PARTIAL_INFORMATION {
    ULONG TitleIndex;
    ULONG Type;
    ULONG DataLength;
    UCHAR Data[1];
} KEY_VALUE_PARTIAL_INFORMATION, *PKEY_VALUE_PARTIAL_INFORMATION;

extern "C" {
// Any IRQL for a source in non-paged memory. Length is the string's bytes
// without the terminator; MaximumLength includes it. A null source gives
// an empty string with a null buffer.
VOID NTAPI RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString);

// Opens the device's hardware (PLUGPLAY_REGKEY_DEVICE) or software
// (PLUGPLAY_REGKEY_DRIVER) key, creating it when missing.
NTSTATUS NTAPI IoOpenDeviceRegistryKey(PDEVICE_OBJECT DeviceObject, ULONG DevInstKeyType,
                                       ACCESS_MASK DesiredAccess, PHANDLE DevInstRegKey);

// The name is relative to RootDirectory, or absolute ("\Registry\Machine\...")
// without one. ZwCreateKey creates only the last component: a missing
// intermediate key gives STATUS_OBJECT_NAME_NOT_FOUND. Class and TitleIndex
// are ignored; Disposition is optional.
NTSTATUS NTAPI ZwCreateKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                           POBJECT_ATTRIBUTES ObjectAttributes, ULONG TitleIndex,
                           PUNICODE_STRING Class, ULONG CreateOptions, PULONG Disposition);
NTSTATUS NTAPI ZwOpenKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                         POBJECT_ATTRIBUTES ObjectAttributes);

// An empty ValueName is the key's default value. A buffer too small for
// the fixed part gives STATUS_BUFFER_TOO_SMALL with nothing written; one
// that holds the fixed part but not the data gives STATUS_BUFFER_OVERFLOW
// with the fixed part and as much data as fits written. ResultLength is
// always the size the whole answer needs.
NTSTATUS NTAPI ZwQueryValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                               KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                               PVOID KeyValueInformation, ULONG Length, PULONG ResultLength);
// Stores Type and the DataSize bytes as given; nothing checks that they
// agree (a REG_DWORD of 3 bytes is kept as such).
NTSTATUS NTAPI ZwSetValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName, ULONG TitleIndex,
                             ULONG Type, PVOID Data, ULONG DataSize);
NTSTATUS NTAPI ZwDeleteValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName);
}
