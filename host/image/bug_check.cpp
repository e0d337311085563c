// KeBugCheckEx for kernel images: the stand-in's "machine" is the process,
// so a bug check prints what Windows' blue screen would show (the code and
// its four parameters) plus where in the image it was raised, and aborts.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image_frames.h"
#include "image_only_exports.h"
#include "kernel_image.h"

namespace host::image::exports {

VOID KeBugCheckEx(ULONG BugCheckCode, ULONG_PTR BugCheckParameter1, ULONG_PTR BugCheckParameter2,
                  ULONG_PTR BugCheckParameter3, ULONG_PTR BugCheckParameter4) {
    // The innermost image frame is the call of KeBugCheckEx itself.
    std::string raisedBy = describeImageFrames();
    if (raisedBy.empty()) {
        raisedBy = symbolizeLoaded(__builtin_return_address(0));
    }
    if (raisedBy.empty()) {
        raisedBy = "code outside any loaded image";
    }
    std::fprintf(stderr, "bug check 0x%08X (0x%llx, 0x%llx, 0x%llx, 0x%llx) raised by %s\n",
                 BugCheckCode, static_cast<unsigned long long>(BugCheckParameter1),
                 static_cast<unsigned long long>(BugCheckParameter2),
                 static_cast<unsigned long long>(BugCheckParameter3),
                 static_cast<unsigned long long>(BugCheckParameter4), raisedBy.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace host::image::exports
