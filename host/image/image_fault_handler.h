// The process's handler of SIGSEGV, SIGILL, SIGBUS and SIGFPE for faults
// inside loaded images. A fault whose instruction pointer lies in an image
// prints one line naming the image function, what went wrong and the image
// functions that called it, e.g.
//   bayercam.sys: access to kernel address 0xffff800000001000 at
//   Foo::bar+0x12 (0x7f...), called from bayercam.sys!Baz+0x40
// then aborts (Windows would stop the machine). A fault anywhere else goes
// to the handler that was installed before (AddressSanitizer's, say), or
// to the default action.
//
// Installed by the first image load, once per process; any thread.
#pragma once

namespace host::image {

void installImageFaultHandler();

}  // namespace host::image
