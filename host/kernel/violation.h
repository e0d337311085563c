// How the stand-in kernel reacts when driver code breaks a rule that the
// Windows kernel or Driver Verifier would stop the machine for (a free under
// the wrong tag, a spin lock taken twice, IRQL misuse...).
//
// reportViolation is called by the stand-in, on the thread that broke the
// rule, at any IRQL. By default it prints "platform rule broken: <what>" and
// a backtrace to stderr and aborts the process, so a test catches it with
// EXPECT_DEATH. While a ScopedViolationRecorder is alive it records the
// message and returns instead; the offending kernel call then returns
// without effect (each rule's comment says what it leaves behind).
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace host {

void reportViolation(const char* what);
void reportViolation(const std::string& what);

// Set by the kernel-image loader (host/image) while images are loaded: the
// glibc backtrace cannot name functions of a loaded Windows image, so the
// report also prints what this returns, called on the violating thread
// ("bayercam.sys!Foo+0x1c, called from ..."; "" when no image function is
// on the stack). Null clears it.
using ImageFrameDescriber = std::string (*)();
void setImageFrameDescriber(ImageFrameDescriber describer);

// Test-facing. Records every violation, from any thread, for its lifetime
// instead of aborting. Process-wide; create and destroy it on the test's
// main thread while no other thread can report. Nested recorders stack: the
// innermost records.
class ScopedViolationRecorder {
  public:
    ScopedViolationRecorder();
    ~ScopedViolationRecorder();
    ScopedViolationRecorder(const ScopedViolationRecorder&) = delete;
    ScopedViolationRecorder& operator=(const ScopedViolationRecorder&) = delete;

    // The messages recorded so far, oldest first (without the prefix).
    std::vector<std::string> violations() const;
    std::size_t count() const;
    // True if some recorded message contains `fragment`.
    bool contains(std::string_view fragment) const;

    // Called by reportViolation only.
    void record(const char* what);

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
    ScopedViolationRecorder* previous_;
};

}  // namespace host
