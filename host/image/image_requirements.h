// What Windows requires of a kernel image beyond a well-formed PE32+ file,
// and what the stand-in can run faithfully: an executable image for the
// native subsystem, no thread-local storage (the kernel has no TLS for
// drivers), no delay-load imports, no section both writable and executable,
// the entry point in code, and a correct image checksum (Windows checks it
// before it loads a driver). Each failure is an ImageError naming it.
#pragma once

#include <span>

#include "byte_window.h"
#include "pe_headers.h"

namespace host::image {

void checkKernelImageRequirements(const ByteWindow& file, std::span<const std::byte> bytes,
                                  const PeHeaders& headers);

}  // namespace host::image
