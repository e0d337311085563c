// The registry calls on values: ZwQueryValueKey, ZwSetValueKey and
// ZwDeleteValueKey. Each checks IRQL and pointers, consults injection,
// finds the key behind the handle and asks the registry.
#include "handle_table.h"
#include "key_value_information.h"
#include "registry.h"
#include "registry_call.h"

namespace {

using KeyRef = host::Registry::KeyRef;

// The key behind `handle`, after the IRQL check and injection for `call`.
NTSTATUS enterValueCall(HANDLE handle, host::RegistryCall call, const char* caller, KeyRef* key) {
    if (!host::detail::atPassiveLevel(caller)) {
        return host::detail::kRefusedCall;
    }
    if (std::optional<NTSTATUS> failed = host::registry().onCall(call)) {
        return *failed;
    }
    return host::detail::keyOfHandle(handle, key);
}

}  // namespace

extern "C" NTSTATUS NTAPI ZwQueryValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                                          KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                                          PVOID KeyValueInformation, ULONG Length,
                                          PULONG ResultLength) {
    constexpr const char* kCaller = "ZwQueryValueKey";
    if (!host::detail::present(ValueName, kCaller, "ValueName") ||
        !host::detail::present(ResultLength, kCaller, "ResultLength") ||
        (Length != 0 && !host::detail::present(KeyValueInformation, kCaller, "the buffer"))) {
        return STATUS_INVALID_PARAMETER;
    }
    KeyRef key;
    NTSTATUS status = enterValueCall(KeyHandle, host::RegistryCall::kQueryValue, kCaller, &key);
    host::detail::NamedValue value;
    if (NT_SUCCESS(status)) {
        status = host::registry().queryValue(key, host::detail::nameText(ValueName), &value);
    }
    if (!NT_SUCCESS(status)) {
        return status;
    }
    return host::detail::writeKeyValueInformation(value, KeyValueInformationClass,
                                                  KeyValueInformation, Length, ResultLength);
}

extern "C" NTSTATUS NTAPI ZwSetValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                                        ULONG /*TitleIndex*/, ULONG Type, PVOID Data,
                                        ULONG DataSize) {
    constexpr const char* kCaller = "ZwSetValueKey";
    if (!host::detail::present(ValueName, kCaller, "ValueName") ||
        (DataSize != 0 && !host::detail::present(Data, kCaller, "Data"))) {
        return STATUS_INVALID_PARAMETER;
    }
    KeyRef key;
    const NTSTATUS status = enterValueCall(KeyHandle, host::RegistryCall::kSetValue, kCaller, &key);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(Data);
    host::RegistryValue value{Type, std::vector<std::uint8_t>(bytes, bytes + DataSize)};
    return host::registry().setValue(key, host::detail::nameText(ValueName), std::move(value));
}

extern "C" NTSTATUS NTAPI ZwDeleteValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName) {
    constexpr const char* kCaller = "ZwDeleteValueKey";
    if (!host::detail::present(ValueName, kCaller, "ValueName")) {
        return STATUS_INVALID_PARAMETER;
    }
    KeyRef key;
    const NTSTATUS status =
        enterValueCall(KeyHandle, host::RegistryCall::kDeleteValue, kCaller, &key);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    return host::registry().deleteValue(key, host::detail::nameText(ValueName));
}
