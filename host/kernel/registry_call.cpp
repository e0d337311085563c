#include "registry_call.h"

#include <string>

#include "violation.h"

namespace host::detail {

bool atPassiveLevel(const char* caller) {
    if (KeGetCurrentIrql() == PASSIVE_LEVEL) {
        return true;
    }
    reportViolation(std::string(caller) + " called above PASSIVE_LEVEL");
    return false;
}

bool present(const void* pointer, const char* caller, const char* what) {
    if (pointer != nullptr) {
        return true;
    }
    reportViolation(std::string(caller) + ": " + what + " is null");
    return false;
}

std::u16string_view nameText(const UNICODE_STRING* name) {
    if (name == nullptr || name->Buffer == nullptr) {
        return {};
    }
    return {name->Buffer, name->Length / sizeof(WCHAR)};
}

}  // namespace host::detail
