// Counted strings: RtlInitUnicodeString.
#include <algorithm>

#include "nt_kernel.h"

// Lengths are in bytes. A source too long for a UNICODE_STRING is cut to
// the longest that fits with its terminator, as the kernel does.
extern "C" VOID NTAPI RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
    DestinationString->Buffer = const_cast<PWSTR>(SourceString);
    if (SourceString == nullptr) {
        DestinationString->Length = 0;
        DestinationString->MaximumLength = 0;
        return;
    }
    SIZE_T characters = 0;
    while (SourceString[characters] != u'\0') {
        ++characters;
    }
    constexpr SIZE_T kLongest = 0xFFFC;
    const SIZE_T bytes = std::min<SIZE_T>(characters * sizeof(WCHAR), kLongest);
    DestinationString->Length = static_cast<USHORT>(bytes);
    DestinationString->MaximumLength = static_cast<USHORT>(bytes + sizeof(WCHAR));
}
