// Double-precision sine and cosine computed with SSE2 arithmetic only. The
// kernel image carries these because the C library's sin and cos use the x87
// unit, which x64 kernel code must not touch, and import msvcrt.dll.
//
// Error below one unit in the last place for |x| < kQuarterTurnReductionLimit
// (about 1.6e6), so a result rounded to single precision matches the
// correctly rounded value's. Outside that range, and for infinities and NaN,
// the result is NaN. Call only inside a FloatingPointScope.
//
// The method and its constants are fdlibm's (Sun Microsystems, freely
// distributable): reduction by pi/2 in pieces, minimax polynomials on
// [-pi/4, pi/4].
#pragma once

double KernelSine(double x);
double KernelCosine(double x);
