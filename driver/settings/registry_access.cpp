#include "registry_access.h"

#include "../platform/wide_text.h"

namespace {

constexpr ULONG kKernelKeyAttributes = OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE;
// A partial-information header (12 bytes) and up to eight data bytes.
constexpr ULONG kValueQueryBytes = 20;
constexpr ULONG kLongestReadValue = 8;

// The first `characters` characters of `path`, without copying.
UNICODE_STRING PathPrefix(PCWSTR path, SIZE_T characters) {
    UNICODE_STRING prefix;
    prefix.Buffer = const_cast<PWSTR>(path);
    prefix.Length = static_cast<USHORT>(characters * sizeof(WCHAR));
    prefix.MaximumLength = prefix.Length;
    return prefix;
}

NTSTATUS CreateKey(HANDLE parent, ACCESS_MASK desiredAccess, PUNICODE_STRING name, PHANDLE key) {
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, name, kKernelKeyAttributes, parent, nullptr);
    return ZwCreateKey(key, desiredAccess, &attributes, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       nullptr);
}

SIZE_T PathLength(PCWSTR path) {
    SIZE_T length = 0;
    while (path[length] != 0) {
        ++length;
    }
    return length;
}

}  // namespace

NTSTATUS createKeyPath(HANDLE parent, ACCESS_MASK desiredAccess, PCWSTR relativePath, PHANDLE key) {
    *key = nullptr;
    const SIZE_T length = PathLength(relativePath);
    if (length * sizeof(WCHAR) > 0xFFFE) {
        return STATUS_INVALID_PARAMETER;  // does not fit a UNICODE_STRING
    }
    for (SIZE_T i = 0; i < length; ++i) {
        if (relativePath[i] != WIDE_TEXT('\\')) {
            continue;
        }
        UNICODE_STRING leading = PathPrefix(relativePath, i);
        HANDLE part = nullptr;
        const NTSTATUS status = CreateKey(parent, desiredAccess, &leading, &part);
        if (!NT_SUCCESS(status)) {
            return status;
        }
        ZwClose(part);
    }
    UNICODE_STRING full = PathPrefix(relativePath, length);
    HANDLE created = nullptr;
    const NTSTATUS status = CreateKey(parent, desiredAccess, &full, &created);
    if (NT_SUCCESS(status)) {
        *key = created;
    }
    return status;
}

void readDwordValue(HANDLE key, PCWSTR name, PULONG value) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    // ULONG storage keeps the information block aligned.
    ULONG buffer[kValueQueryBytes / sizeof(ULONG)] = {};
    auto* information = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer);
    ULONG resultLength = 0;
    const NTSTATUS status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation,
                                            information, sizeof(buffer), &resultLength);
    if (!NT_SUCCESS(status) || information->DataLength > kLongestReadValue) {
        return;
    }
    ULONG number = 0;
    const ULONG bytes =
        information->DataLength < sizeof(number) ? information->DataLength : sizeof(number);
    RtlCopyMemory(&number, information->Data, bytes);
    *value = number;
}

void writeDwordValue(HANDLE key, PCWSTR name, ULONG value) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    ZwSetValueKey(key, &valueName, 0, REG_DWORD, &value, sizeof(value));
}
