// A Windows x64 kernel image (a .sys file such as bayercam.sys, PE32+ for
// AMD64, subsystem native) loaded into this Linux process and bound to the
// stand-in kernel, USB stack and streaming class, so the shipped binary runs
// on the same simulated camera as the host build of the driver:
//
//   auto image = host::image::KernelImage::load("build/windows/driver/bayercam.sys");
//   host::streaming::LoadedDriver driver(image->entryPoint());
//
// load() treats the file as untrusted input and throws ImageError with a
// one-line message for anything it cannot run faithfully: another machine
// or subsystem, a TLS directory, an import the stand-in does not provide or
// takes by ordinal, a section both writable and executable, an instruction
// a Linux process cannot execute, a malformed or truncated file. Each load
// maps a private copy; the image must outlive every call into it (unload
// the driver first). While any image is loaded, a crash inside one is
// reported naming the image function, and a broken platform rule reported
// by the stand-in also names the innermost image function on the stack.
//
// Thread-safe: images may be loaded, symbolised and destroyed on any thread.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <kernel/nt_kernel.h>

namespace host::image {

// Thrown by load with a one-line message, e.g.
// "bayercam.sys: imports ntoskrnl.exe!KeFooBar, which the stand-in does not provide".
class ImageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct LoadedImage;

class KernelImage {
  public:
    // Maps a fresh private copy of the file (each load independent),
    // relocates, binds, rewrites shared-page reads and protects it.
    static std::unique_ptr<KernelImage> load(const std::filesystem::path& file);
    // Unmaps everything; no pool or handle is left behind.
    ~KernelImage();
    KernelImage(const KernelImage&) = delete;
    KernelImage& operator=(const KernelImage&) = delete;

    // The image's entry point (DriverEntry), with the Windows calling
    // convention.
    PDRIVER_INITIALIZE entryPoint() const;
    // The file name, e.g. "bayercam.sys".
    const std::string& name() const;
    // "bayercam.sys!CaptureWorker::ThreadMain+0x1c" (demangled, without
    // parameters), "bayercam.sys+0x1234" inside the image but before any
    // function, or "" if the address is not inside this image.
    std::string symbolize(const void* address) const;
    // The imports bound, as "module!name", in import-table order.
    const std::vector<std::string>& boundImports() const;

    // The address of the function with this readable name (as symbolize
    // prints it, e.g. "CaptureWorker::ThreadMain"), or null; for tests and
    // diagnostics.
    const void* findFunction(std::string_view name) const;

    // Where the image lies in this process (SizeOfImage bytes).
    const std::byte* base() const;
    std::size_t size() const;

  private:
    explicit KernelImage(std::unique_ptr<LoadedImage> loaded);
    std::unique_ptr<LoadedImage> loaded_;
};

// Symbolises against every image currently loaded; "" if none contains it.
std::string symbolizeLoaded(const void* address);

}  // namespace host::image
