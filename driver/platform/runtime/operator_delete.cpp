// The deleting destructor of every class with a virtual destructor calls
// operator delete, so the image must define it, but the driver never runs a
// delete-expression: its objects live in pool blocks it frees itself, with
// the pool tag they were allocated with. Reaching this is a programming
// error, stopped here before it frees the block a second time or leaks it
// silently. No operator new is defined, so a new-expression other than
// placement new does not link.
#include <new>

#include "runtime_bug_check.h"

void operator delete(void* block) noexcept {
    RuntimeBugCheck(RuntimeError::DeleteExpression, __builtin_return_address(0), block);
}

void operator delete(void* block, std::size_t) noexcept {
    RuntimeBugCheck(RuntimeError::DeleteExpression, __builtin_return_address(0), block);
}
