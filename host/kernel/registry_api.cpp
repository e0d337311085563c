// The registry calls that open keys: IoOpenDeviceRegistryKey, ZwCreateKey
// and ZwOpenKey. Each checks IRQL and pointers, consults injection, then
// asks the registry and hands back a new key handle.
#include "handle_table.h"
#include "registry.h"
#include "registry_call.h"

namespace {

using host::detail::KeyPath;
using KeyRef = host::Registry::KeyRef;

constexpr ULONG kSupportedCreateOptions = REG_OPTION_VOLATILE;

// The key the attributes name, split off from its root key (null: the name
// is absolute).
NTSTATUS resolveName(const OBJECT_ATTRIBUTES& attributes, KeyRef* root, KeyPath* path) {
    if (attributes.Length != sizeof(OBJECT_ATTRIBUTES)) {
        return STATUS_INVALID_PARAMETER;
    }
    if (attributes.RootDirectory != nullptr) {
        const NTSTATUS status = host::detail::keyOfHandle(attributes.RootDirectory, root);
        if (!NT_SUCCESS(status)) {
            return status;
        }
    }
    const UNICODE_STRING empty{};
    const UNICODE_STRING& name = attributes.ObjectName != nullptr ? *attributes.ObjectName : empty;
    return host::detail::splitObjectName(name, *root != nullptr, path);
}

// Links, backup/restore opens and the like are not modelled.
NTSTATUS createNamedKey(const OBJECT_ATTRIBUTES& attributes, ULONG options, KeyRef* key,
                        ULONG* disposition) {
    if ((options & ~kSupportedCreateOptions) != 0) {
        return STATUS_INVALID_PARAMETER;
    }
    KeyRef root;
    KeyPath path;
    const NTSTATUS status = resolveName(attributes, &root, &path);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const bool volatileKey = (options & REG_OPTION_VOLATILE) != 0;
    return host::registry().createKey(root, path, volatileKey, key, disposition);
}

NTSTATUS openNamedKey(const OBJECT_ATTRIBUTES& attributes, KeyRef* key) {
    KeyRef root;
    KeyPath path;
    const NTSTATUS status = resolveName(attributes, &root, &path);
    return NT_SUCCESS(status) ? host::registry().openKey(root, path, key) : status;
}

bool validArguments(PHANDLE handle, POBJECT_ATTRIBUTES attributes, const char* caller) {
    return host::detail::present(handle, caller, "KeyHandle") &&
           host::detail::present(attributes, caller, "ObjectAttributes");
}

}  // namespace

// The device object is used only as an identity: any device object will do.
extern "C" NTSTATUS NTAPI IoOpenDeviceRegistryKey(PDEVICE_OBJECT DeviceObject, ULONG DevInstKeyType,
                                                  ACCESS_MASK /*DesiredAccess*/,
                                                  PHANDLE DevInstRegKey) {
    constexpr const char* kCaller = "IoOpenDeviceRegistryKey";
    if (!host::detail::present(DevInstRegKey, kCaller, "DevInstRegKey") ||
        !host::detail::present(DeviceObject, kCaller, "DeviceObject")) {
        return STATUS_INVALID_PARAMETER;
    }
    *DevInstRegKey = nullptr;
    if (!host::detail::atPassiveLevel(kCaller)) {
        return host::detail::kRefusedCall;
    }
    if (std::optional<NTSTATUS> failed =
            host::registry().onCall(host::RegistryCall::kOpenDeviceKey)) {
        return *failed;
    }
    KeyRef key;
    const NTSTATUS status = host::registry().openDeviceKey(DeviceObject, DevInstKeyType, &key);
    if (NT_SUCCESS(status)) {
        *DevInstRegKey = host::detail::openKeyHandle(std::move(key));
    }
    return status;
}

extern "C" NTSTATUS NTAPI ZwCreateKey(PHANDLE KeyHandle, ACCESS_MASK /*DesiredAccess*/,
                                      POBJECT_ATTRIBUTES ObjectAttributes, ULONG /*TitleIndex*/,
                                      PUNICODE_STRING /*Class*/, ULONG CreateOptions,
                                      PULONG Disposition) {
    if (!validArguments(KeyHandle, ObjectAttributes, "ZwCreateKey")) {
        return STATUS_INVALID_PARAMETER;
    }
    *KeyHandle = nullptr;
    if (!host::detail::atPassiveLevel("ZwCreateKey")) {
        return host::detail::kRefusedCall;
    }
    if (std::optional<NTSTATUS> failed = host::registry().onCall(host::RegistryCall::kCreateKey)) {
        return *failed;
    }
    KeyRef key;
    ULONG disposition = 0;
    const NTSTATUS status = createNamedKey(*ObjectAttributes, CreateOptions, &key, &disposition);
    if (NT_SUCCESS(status)) {
        *KeyHandle = host::detail::openKeyHandle(std::move(key));
        if (Disposition != nullptr) {
            *Disposition = disposition;
        }
    }
    return status;
}

extern "C" NTSTATUS NTAPI ZwOpenKey(PHANDLE KeyHandle, ACCESS_MASK /*DesiredAccess*/,
                                    POBJECT_ATTRIBUTES ObjectAttributes) {
    if (!validArguments(KeyHandle, ObjectAttributes, "ZwOpenKey")) {
        return STATUS_INVALID_PARAMETER;
    }
    *KeyHandle = nullptr;
    if (!host::detail::atPassiveLevel("ZwOpenKey")) {
        return host::detail::kRefusedCall;
    }
    if (std::optional<NTSTATUS> failed = host::registry().onCall(host::RegistryCall::kOpenKey)) {
        return *failed;
    }
    KeyRef key;
    const NTSTATUS status = openNamedKey(*ObjectAttributes, &key);
    if (NT_SUCCESS(status)) {
        *KeyHandle = host::detail::openKeyHandle(std::move(key));
    }
    return status;
}
