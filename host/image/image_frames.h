// The image functions on a thread's stack. Image code has no unwind
// information a Linux unwinder understands, so the stack is scanned instead:
// from a stack pointer upward, every 8-byte word that points into a loaded
// image's code just after a call instruction (E8 rel32, FF /2) is taken as
// a return address. The first is the innermost image frame; stale words can
// add a spurious frame further out, never hide the innermost one.
//
// Called on the thread whose stack is scanned (the stand-in's violation
// report, KeBugCheckEx, the fault handler).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host::image {

// Return addresses into loaded images, innermost first, at most `limit`,
// scanning upward from `stackPointer` (null: the caller's stack pointer).
std::vector<const void*> imageReturnAddresses(std::size_t limit,
                                              const void* stackPointer = nullptr);

// "bayercam.sys!Foo+0x17, called from bayercam.sys!Bar+0x3b", naming the
// call instruction of each frame found from `stackPointer` (null: the
// caller's); "" when no image frame is on the stack.
std::string describeImageFrames(const void* stackPointer = nullptr);

// The length of the call instruction that `returnAddress` directly follows,
// or 0 if it follows none; `codeStart` is the start of its executable
// section (the search does not read before it).
std::size_t callLengthBefore(const std::byte* codeStart, const std::byte* returnAddress);

}  // namespace host::image
