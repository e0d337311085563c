// The checks that keep the stand-in's declarations binary-compatible with
// the Windows x64 DDK. A driver built for Windows (the real kernel image)
// reads and writes the structures the stand-in hands it at the DDK's
// offsets, and compares the DDK's constants with the stand-in's.
//
// The expectations are lists of these macros with Windows x64's numbers
// (kernel_layout_expectations.h, usb/usb_layout_expectations.h,
// streaming/ks_layout_expectations.h). Each list is compiled twice: in the
// host build against the stand-in's headers (host/kernel/kernel_layout.cpp,
// host/usb/usb_layout.cpp, host/streaming/ks_layout.cpp), and in the
// Windows kernel build against mingw-w64's DDK headers
// (windows/ddk_layout_check.cpp). A wrong number fails the Windows build;
// a stand-in layout that differs from Windows fails the host build.
//
// A list includes nothing: the includer has declared the types first.
// Needs no library: offsetof is the compiler's builtin, which also takes
// member paths such as Parameters.DeviceIoControl.IoControlCode.
#pragma once

#define BAYERCAM_EXPECT_SIZE(type, size)  \
    static_assert(sizeof(type) == (size), \
                  "sizeof(" #type ") != " #size ", the expected Windows x64 size")

#define BAYERCAM_EXPECT_OFFSET(type, member, offset)             \
    static_assert(__builtin_offsetof(type, member) == (offset),  \
                  "offsetof(" #type ", " #member ") != " #offset \
                  ", the expected Windows x64 offset")

// Constants compare as the 32-bit values the kernel passes (NTSTATUS
// codes are negative LONGs, written here as their ULONG bit patterns).
#define BAYERCAM_EXPECT_VALUE(name, value)                                             \
    static_assert(static_cast<unsigned int>(name) == static_cast<unsigned int>(value), \
                  #name " != " #value ", the expected Windows x64 value")
