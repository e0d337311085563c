#include "status_text.h"

#include <cstdio>

std::string statusText(NTSTATUS status) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(status));
    return text;
}
