// The bug check the kernel image's C++ runtime support raises when driver
// code reaches something that can only be a programming error: a call
// through an unfinished or destroyed object's vtable, or a delete-expression
// (the driver allocates and frees its pool blocks itself and never deletes).
#pragma once

#include "../kernel.h"

// A driver-defined code, distinct from the system's bug check codes.
// Parameter 1 says which error, 2 is the code address that reached it,
// 3 the object involved (if any).
constexpr ULONG kRuntimeBugCheckCode = 0xCA3E0001;

enum class RuntimeError : ULONG_PTR {
    PureVirtualCall = 1,
    DeleteExpression = 2,
};

[[noreturn]] inline void RuntimeBugCheck(RuntimeError error, void* caller, void* object) {
    KeBugCheckEx(kRuntimeBugCheckCode, static_cast<ULONG_PTR>(error),
                 reinterpret_cast<ULONG_PTR>(caller), reinterpret_cast<ULONG_PTR>(object), 0);
}
