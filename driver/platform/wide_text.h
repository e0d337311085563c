// Literals of the kernel's 16-bit wide strings (WCHAR): L"..." on Windows,
// u"..." on the host, whose wchar_t is 32 bits wide.
#pragma once

#if defined(BAYERCAM_WINDOWS_KERNEL)
#define WIDE_TEXT(text) L##text
#else
#define WIDE_TEXT(text) u##text
#endif
