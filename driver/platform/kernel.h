// The one door from driver code to the Windows kernel API.
//
// Windows build: the real DDK headers. Host build: the Linux stand-in's
// declarations (host/kernel), which keep the kernel's names and signatures.
// Driver code includes this (or a narrower platform header built on it) and
// never a system or stand-in header directly.
#pragma once

#if defined(BAYERCAM_WINDOWS_KERNEL)

// mingw-w64's winnt.h and its intrinsic header both define these in C++ mode.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#define __INTRINSIC_DEFINED_InterlockedBitTestAndComplement
// Without it, mingw's wdm.h maps ExAllocatePoolWithTag to the untagged call.
#ifndef POOL_TAGGING
#define POOL_TAGGING 1
#endif
#include <ntddk.h>

#else

#include <kernel/nt_kernel.h>

#endif
