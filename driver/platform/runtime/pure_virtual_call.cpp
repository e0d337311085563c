// The vtable slot of a pure virtual function points here. It is reached only
// by a virtual call on an object still being constructed or already being
// destroyed.
#include "runtime_bug_check.h"

extern "C" void __cxa_pure_virtual() {
    RuntimeBugCheck(RuntimeError::PureVirtualCall, __builtin_return_address(0), nullptr);
}
