#include "driver_under_test.h"

#include <cstdlib>
#include <exception>

#include <gtest/gtest.h>
#include <image/kernel_image.h>

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);

DriverUnderTest::DriverUnderTest() {
    const std::string path = imagePathFromEnvironment();
    if (path.empty()) {
        entry_ = DriverEntry;
        return;
    }
    try {
        image_ = host::image::KernelImage::load(path);
        entry_ = image_->entryPoint();
    } catch (const std::exception& error) {
        ADD_FAILURE() << "cannot load the kernel image " << path << ": " << error.what();
    }
}

DriverUnderTest::~DriverUnderTest() = default;

std::string DriverUnderTest::description() const {
    return image_ != nullptr ? image_->name() : std::string("the host build");
}

std::string DriverUnderTest::imagePathFromEnvironment() {
    const char* path = std::getenv("BAYERCAM_DRIVER_IMAGE");
    return path != nullptr ? std::string(path) : std::string();
}
