// Which driver a black-box suite runs: the host build's DriverEntry, linked
// into the test program, or, when the environment names a kernel image in
// BAYERCAM_DRIVER_IMAGE, that image (bayercam.sys as shipped) loaded into
// the process on the stand-in. The suites drive either one only through the
// streaming class, the simulated camera, the bus and the registry, so the
// same test checks both builds.
//
// One object per test: each loads its own fresh copy of the image, and
// must outlive the LoadedDriver that runs it (the image's code and data
// are unmapped when it goes).
#pragma once

#include <memory>
#include <string>

#include <streaming/ks_api.h>

namespace host::image {
class KernelImage;
}

class DriverUnderTest {
  public:
    // Loads the image named by BAYERCAM_DRIVER_IMAGE, if any; a load that
    // fails is a test failure (the message says why) and leaves entry()
    // null.
    DriverUnderTest();
    ~DriverUnderTest();
    DriverUnderTest(const DriverUnderTest&) = delete;
    DriverUnderTest& operator=(const DriverUnderTest&) = delete;

    PDRIVER_INITIALIZE entry() const { return entry_; }
    bool isImage() const { return image_ != nullptr; }
    // "the host build" or the image's file name, for messages.
    std::string description() const;

    // The image path from the environment; empty when the host build runs.
    static std::string imagePathFromEnvironment();

  private:
    std::unique_ptr<host::image::KernelImage> image_;
    PDRIVER_INITIALIZE entry_ = nullptr;
};
