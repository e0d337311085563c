// Instructions kernel code may execute and a Linux process may not: the
// privileged ones (control and debug registers, MSRs, port I/O, interrupt
// flag, descriptor tables, TLB and cache control, swapgs, VMX/SVM), those
// that UMIP restricts to ring 0 (sgdt, sidt, sldt, str, smsw), and the
// system-call and software-interrupt instructions, which would enter Linux
// rather than Windows.
//
// Pure functions; any thread.
#pragma once

#include <string>

#include "instruction_decoder.h"

namespace host::image {

// A short name such as "mov to CR3", "hlt" or "int 0x29"; empty if the
// instruction is not one of these.
std::string privilegedInstructionName(const Instruction& instruction,
                                      std::span<const std::byte> bytes);

}  // namespace host::image
