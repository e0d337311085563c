// The stand-in kernel's structures and constants against Windows x64's
// (kernel_layout_expectations.h): a difference fails this build. The same
// list is compiled against the DDK in the Windows kernel build.
#include "nt_kernel.h"

#include "layout_expectation.h"

#include "kernel_layout_expectations.h"
