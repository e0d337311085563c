#include "key_value_information.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>

namespace host::detail {
namespace {

// What an answer is made of: its fixed part, then the value's name and
// data, each at its offset (or absent).
struct Answer {
    ULONG fixedSize;
    ULONG nameOffset;  // 0: no name
    ULONG dataOffset;  // 0: no data
};

ULONG alignToUlong(ULONG offset) {
    return (offset + sizeof(ULONG) - 1) & ~ULONG{sizeof(ULONG) - 1};
}

ULONG nameBytes(const NamedValue& value) {
    return static_cast<ULONG>(value.name.size() * sizeof(WCHAR));
}

ULONG dataBytes(const NamedValue& value) {
    return static_cast<ULONG>(value.value.bytes.size());
}

std::optional<Answer> layoutOf(const NamedValue& value, KEY_VALUE_INFORMATION_CLASS infoClass) {
    switch (infoClass) {
        case KeyValueBasicInformation: {
            const ULONG fixed = static_cast<ULONG>(offsetof(KEY_VALUE_BASIC_INFORMATION, Name));
            return Answer{fixed, fixed, 0};
        }
        case KeyValueFullInformation: {
            const ULONG fixed = static_cast<ULONG>(offsetof(KEY_VALUE_FULL_INFORMATION, Name));
            return Answer{fixed, fixed, alignToUlong(fixed + nameBytes(value))};
        }
        case KeyValuePartialInformation: {
            const ULONG fixed = static_cast<ULONG>(offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data));
            return Answer{fixed, 0, fixed};
        }
        default:
            return std::nullopt;
    }
}

ULONG totalSize(const Answer& answer, const NamedValue& value) {
    if (answer.dataOffset != 0) {
        return answer.dataOffset + dataBytes(value);
    }
    return answer.nameOffset + nameBytes(value);
}

void writeFixedPart(const NamedValue& value, KEY_VALUE_INFORMATION_CLASS infoClass,
                    const Answer& answer, void* buffer) {
    std::memset(buffer, 0, answer.fixedSize);
    if (infoClass == KeyValueBasicInformation) {
        auto* basic = static_cast<PKEY_VALUE_BASIC_INFORMATION>(buffer);
        basic->Type = value.value.type;
        basic->NameLength = nameBytes(value);
    } else if (infoClass == KeyValueFullInformation) {
        auto* full = static_cast<PKEY_VALUE_FULL_INFORMATION>(buffer);
        full->Type = value.value.type;
        full->DataOffset = answer.dataOffset;
        full->DataLength = dataBytes(value);
        full->NameLength = nameBytes(value);
    } else {
        auto* partial = static_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer);
        partial->Type = value.value.type;
        partial->DataLength = dataBytes(value);
    }
}

// Copies `size` bytes to `offset`, cut off at the buffer's end.
void copyClipped(void* buffer, ULONG length, ULONG offset, const void* source, ULONG size) {
    if (offset >= length || size == 0) {
        return;
    }
    std::memcpy(static_cast<UCHAR*>(buffer) + offset, source, std::min(size, length - offset));
}

}  // namespace

NTSTATUS writeKeyValueInformation(const NamedValue& value, KEY_VALUE_INFORMATION_CLASS infoClass,
                                  void* buffer, ULONG length, ULONG* resultLength) {
    const std::optional<Answer> answer = layoutOf(value, infoClass);
    if (!answer) {
        return STATUS_INVALID_PARAMETER;
    }
    const ULONG total = totalSize(*answer, value);
    *resultLength = total;
    if (length < answer->fixedSize) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    writeFixedPart(value, infoClass, *answer, buffer);
    if (answer->nameOffset != 0) {
        copyClipped(buffer, length, answer->nameOffset, value.name.data(), nameBytes(value));
    }
    if (answer->dataOffset != 0) {
        copyClipped(buffer, length, answer->dataOffset, value.value.bytes.data(), dataBytes(value));
    }
    return length < total ? STATUS_BUFFER_OVERFLOW : STATUS_SUCCESS;
}

}  // namespace host::detail
