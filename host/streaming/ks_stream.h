// Streaming structures (ks.h): stream headers, stream pointers and their
// offsets, process pins, and the reference-clock interface a pin may get.
// Declared for the pin's process routine; the class's side of them is the
// stand-in's streaming part. Layouts are Windows x64's (checked in
// ks_layout.cpp). Part of the driver-visible declarations that ks_api.h
// gathers.
#pragma once

#include "ks_objects.h"

typedef struct {
    LONGLONG Time;
    ULONG Numerator;
    ULONG Denominator;
} KSTIME, *PKSTIME;

#define KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT 0x00000001
#define KSSTREAM_HEADER_OPTIONSF_PREROLL 0x00000002
#define KSSTREAM_HEADER_OPTIONSF_DATADISCONTINUITY 0x00000004
#define KSSTREAM_HEADER_OPTIONSF_TYPECHANGED 0x00000008
#define KSSTREAM_HEADER_OPTIONSF_TIMEVALID 0x00000010
#define KSSTREAM_HEADER_OPTIONSF_TIMEDISCONTINUITY 0x00000040
#define KSSTREAM_HEADER_OPTIONSF_FLUSHONPAUSE 0x00000080
#define KSSTREAM_HEADER_OPTIONSF_DURATIONVALID 0x00000100
#define KSSTREAM_HEADER_OPTIONSF_ENDOFSTREAM 0x00000200
#define KSSTREAM_HEADER_OPTIONSF_LOOPEDDATA 0x80000000

typedef struct {
    ULONG Size;
    ULONG TypeSpecificFlags;
    KSTIME PresentationTime;
    LONGLONG Duration;
    ULONG FrameExtent;
    ULONG DataUsed;
    PVOID Data;
    ULONG OptionsFlags;
    ULONG Reserved;
} KSSTREAM_HEADER, *PKSSTREAM_HEADER;

struct _KSMAPPING {
    PHYSICAL_ADDRESS PhysicalAddress;
    ULONG ByteCount;
    ULONG Alignment;
};

struct _KSSTREAM_POINTER_OFFSET {
    union {
        PUCHAR Data;
        PKSMAPPING Mappings;
    };
    ULONG Count;
    ULONG Remaining;
};

struct _KSSTREAM_POINTER {
    PVOID Context;
    PKSPIN Pin;
    PKSSTREAM_HEADER StreamHeader;
    PKSSTREAM_POINTER_OFFSET Offset;
    KSSTREAM_POINTER_OFFSET OffsetIn;
    KSSTREAM_POINTER_OFFSET OffsetOut;
};

struct _KSPROCESSPIN {
    PKSPIN Pin;
    PKSSTREAM_POINTER StreamPointer;
    PKSPROCESSPIN InPlaceCounterpart;
    PKSPROCESSPIN DelegateBranch;
    PKSPROCESSPIN CopySource;
    PVOID Data;
    ULONG BytesAvailable;
    ULONG BytesUsed;
    ULONG Flags;
    BOOLEAN Terminate;
};

struct _KSPROCESSPIN_INDEXENTRY {
    PKSPROCESSPIN* Pins;
    ULONG Count;
};

typedef enum {
    KSSTREAM_POINTER_STATE_UNLOCKED = 0,
    KSSTREAM_POINTER_STATE_LOCKED
} KSSTREAM_POINTER_STATE;

// ---- Reference clock -------------------------------------------------------
typedef REFGUID REFIID;

// The COM interface a pin's reference clock presents. The class hands out
// a referenced interface; the caller releases it.
//
// Binary layout is COM's, which a driver built for Windows calls through:
// the object starts with a pointer to a table of the nine methods in this
// order (IUnknown's three, then the clock's), and each method takes `this`
// as its first argument in the Windows x64 convention (NTAPI). The
// Itanium C++ ABI lays out the virtual table of a class with no virtual
// destructor and single inheritance the same way, so no virtual destructor
// here and no further virtual methods in implementations.
struct IKsReferenceClock {
    // IUnknown
    virtual NTSTATUS NTAPI QueryInterface(REFIID InterfaceId, PVOID* Interface) = 0;
    virtual ULONG NTAPI AddRef() = 0;
    virtual ULONG NTAPI Release() = 0;
    // IKsReferenceClock
    virtual LONGLONG NTAPI GetTime() = 0;
    virtual LONGLONG NTAPI GetPhysicalTime() = 0;
    virtual LONGLONG NTAPI GetCorrelatedTime(LONGLONG* SystemTime) = 0;
    virtual LONGLONG NTAPI GetCorrelatedPhysicalTime(LONGLONG* SystemTime) = 0;
    virtual NTSTATUS NTAPI GetResolution(PKSRESOLUTION Resolution) = 0;
    virtual NTSTATUS NTAPI GetState(PKSSTATE State) = 0;

  protected:
    ~IKsReferenceClock() = default;
};
typedef IKsReferenceClock* PIKSREFERENCECLOCK;
