// The kernel streaming class (ks.sys) and its video types, as the driver
// sees them. The Windows build takes the real headers; the host build the
// stand-in's declarations of the same names and layouts.
#pragma once

#include "kernel.h"

#if defined(BAYERCAM_WINDOWS_KERNEL)
#include <windef.h>
// IKsReferenceClock and KsPinGetReferenceClockInterface are declared only
// when the kernel COM base interface is known first; punknown.h expects two
// user-mode attribute macros that the kernel headers do not define.
#ifndef DECLSPEC_NOVTABLE
#define DECLSPEC_NOVTABLE
#endif
#ifndef DECLSPEC_NOTHROW
#define DECLSPEC_NOTHROW
#endif
#include <punknown.h>
// ksmedia.h names one user-mode character type in a structure the driver
// does not use.
#ifndef TCHAR
#define TCHAR WCHAR
#endif
#include <ks.h>
#include <ksmedia.h>
#else
#include <streaming/ks_api.h>
#endif
