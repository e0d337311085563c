// Kernel and Windows types that the streaming class's declarations need and
// the stand-in kernel (host/kernel) does not declare yet: GUIDs, power
// states, the opaque PnP and timer types, the Win32 scalar and geometry
// types ksmedia.h uses, and the extra status codes the class returns.
// Names, values and layouts are Windows x64's own. Each block is guarded so
// that it can move into host/kernel later without breaking this header.
// Part of the driver-visible declarations that ks_api.h gathers: C++17, no
// standard containers.
#pragma once

#include <kernel/nt_kernel.h>

// ---- GUID ------------------------------------------------------------------
#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
    ULONG Data1;
    USHORT Data2;
    USHORT Data3;
    UCHAR Data4[8];
} GUID;
#endif

#ifndef __LPGUID_DEFINED__
#define __LPGUID_DEFINED__
typedef GUID* LPGUID;
#endif

#ifndef _REFGUID_DEFINED
#define _REFGUID_DEFINED
typedef const GUID& REFGUID;
#endif

#ifndef _SYS_GUID_OPERATORS_
#define _SYS_GUID_OPERATORS_
inline int IsEqualGUID(REFGUID rguid1, REFGUID rguid2) {
    return std::memcmp(&rguid1, &rguid2, sizeof(GUID)) == 0;
}
inline bool operator==(REFGUID guidOne, REFGUID guidOther) {
    return IsEqualGUID(guidOne, guidOther) != 0;
}
inline bool operator!=(REFGUID guidOne, REFGUID guidOther) {
    return !(guidOne == guidOther);
}
#endif

// ---- Win32 scalars and geometry (ksmedia.h) --------------------------------
#ifndef BAYERCAM_STREAMING_WIN32_TYPES
#define BAYERCAM_STREAMING_WIN32_TYPES
typedef ULONG DWORD;
typedef USHORT WORD;
typedef int WINBOOL;
typedef WCHAR* PWCHAR;
typedef PVOID PSECURITY_DESCRIPTOR;
typedef LARGE_INTEGER PHYSICAL_ADDRESS;
typedef LONGLONG REFERENCE_TIME;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *PRECT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE, *PSIZE;
#endif

#ifndef SIZEOF_ARRAY
#define SIZEOF_ARRAY(ar) (sizeof(ar) / sizeof((ar)[0]))
#endif

#ifndef FASTCALL
#define FASTCALL NTAPI
#endif

// ---- Power states and PnP types the device dispatch names -----------------
#ifndef BAYERCAM_STREAMING_POWER_TYPES
#define BAYERCAM_STREAMING_POWER_TYPES
typedef enum _DEVICE_POWER_STATE {
    PowerDeviceUnspecified = 0,
    PowerDeviceD0,
    PowerDeviceD1,
    PowerDeviceD2,
    PowerDeviceD3,
    PowerDeviceMaximum
} DEVICE_POWER_STATE,
    *PDEVICE_POWER_STATE;

typedef enum _SYSTEM_POWER_STATE {
    PowerSystemUnspecified = 0,
    PowerSystemWorking,
    PowerSystemSleeping1,
    PowerSystemSleeping2,
    PowerSystemSleeping3,
    PowerSystemHibernate,
    PowerSystemShutdown,
    PowerSystemMaximum
} SYSTEM_POWER_STATE,
    *PSYSTEM_POWER_STATE;

typedef enum _POWER_ACTION {
    PowerActionNone = 0,
    PowerActionReserved,
    PowerActionSleep,
    PowerActionHibernate,
    PowerActionShutdown,
    PowerActionShutdownReset,
    PowerActionShutdownOff,
    PowerActionWarmEject,
    PowerActionDisplayOff
} POWER_ACTION,
    *PPOWER_ACTION;
#endif

// Opaque here: the class passes null resource lists and no capabilities or
// timers reach the driver through it yet. (KDPC comes with the stand-in
// kernel, whose device object embeds one.)
typedef struct _CM_RESOURCE_LIST* PCM_RESOURCE_LIST;
typedef struct _DEVICE_CAPABILITIES* PDEVICE_CAPABILITIES;
typedef struct _KTIMER* PKTIMER;

// ---- Status codes the streaming class returns ------------------------------
#ifndef STATUS_MORE_ENTRIES
#define STATUS_MORE_ENTRIES (static_cast<NTSTATUS>(0x00000105L))
#endif
#ifndef STATUS_NOT_FOUND
#define STATUS_NOT_FOUND (static_cast<NTSTATUS>(0xC0000225L))
#endif
#ifndef STATUS_PROPSET_NOT_FOUND
#define STATUS_PROPSET_NOT_FOUND (static_cast<NTSTATUS>(0xC0000230L))
#endif
#ifndef STATUS_OBJECT_NAME_COLLISION
#define STATUS_OBJECT_NAME_COLLISION (static_cast<NTSTATUS>(0xC0000035L))
#endif
#ifndef STATUS_NO_MATCH
#define STATUS_NO_MATCH (static_cast<NTSTATUS>(0xC0000272L))
#endif
#ifndef STATUS_OBJECT_NAME_NOT_FOUND
#define STATUS_OBJECT_NAME_NOT_FOUND (static_cast<NTSTATUS>(0xC0000034L))
#endif
