// The camera's start-up register sequence as data.
//
// At every device start, after the Initialize packet, every register the
// sensor has is written with a fixed value in a fixed order: register 32
// first (0), then a pulse of parameter 6 (0x11, then 0 only if the first was
// sent) and a 100 us delay, then the runs below in order, ending with
// register 32 = 11. 934 writes in all; registers 63 and 164..255 are never
// written, registers 32, 393 and 394 twice. What each value means to the
// sensor is the sensor's business; these are the values it expects.
//
// Read-only data: any thread, any IRQL.
#pragma once

#include "../platform/kernel.h"

// `count` consecutive registers from `firstAddress` up, each taking the next
// entry of `values`, or `fill` when `values` is null.
struct RegisterRun {
    USHORT firstAddress;
    USHORT count;
    const ULONG* values;
    ULONG fill;
};

constexpr USHORT kStartupModeRegister = 32;
constexpr ULONG kStartupModeBefore = 0;  // written first, before the pulse
constexpr UCHAR kStartupPulseParameter = 6;
constexpr UCHAR kStartupPulseValue = 0x11;
constexpr LONGLONG kStartupDelay100ns = 1000;  // 100 us, relative

// The runs that follow the pulse and the delay, in order.
extern const RegisterRun kStartupRuns[];
extern const ULONG kStartupRunCount;

// The value of entry `index` of a run.
inline ULONG RunValue(const RegisterRun& run, ULONG index) {
    return (run.values != nullptr) ? run.values[index] : run.fill;
}

// Register writes of the whole sequence, the first write included.
constexpr ULONG kStartupWriteCount = 934;
