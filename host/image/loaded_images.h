// The images currently loaded, process-wide: for symbolizeLoaded, the
// image-frame description the stand-in's violation report prints, and the
// fault handler.
//
// registerImage/unregisterImage are called by KernelImage (load and
// destruction); withImageContaining holds the list's lock while `use` runs,
// so the image cannot be unloaded meanwhile. imageContainingInSignal reads
// the list without locking, for the fault handler only (a thread that
// faults inside an image keeps that image in use).
#pragma once

#include <functional>
#include <string>

#include "loaded_image.h"

namespace host::image {

void registerImage(const LoadedImage& image);
void unregisterImage(const LoadedImage& image);

// Calls `use` with the image containing `address` (under the lock) and
// returns true, or returns false if no loaded image contains it.
bool withImageContaining(const void* address, const std::function<void(const LoadedImage&)>& use);

const LoadedImage* imageContainingInSignal(const void* address);

}  // namespace host::image
