#include "loaded_images.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include <kernel/violation.h>

#include "image_fault_handler.h"
#include "image_frames.h"
#include "kernel_image.h"

namespace host::image {
namespace {

// Lock-free slots for the fault handler; the vector under the lock for
// everyone else. More images than slots are still listed, only the fault
// handler does not see the extra ones.
constexpr std::size_t kSignalSlots = 32;

struct LoadedImages {
    std::mutex lock;
    std::vector<const LoadedImage*> images;
    std::array<std::atomic<const LoadedImage*>, kSignalSlots> slots{};
};

LoadedImages& loadedImages() {
    static auto* instance = new LoadedImages;
    return *instance;
}

const LoadedImage* findLocked(const std::vector<const LoadedImage*>& images, const void* address) {
    for (const LoadedImage* image : images) {
        if (image->contains(address)) {
            return image;
        }
    }
    return nullptr;
}

}  // namespace

void registerImage(const LoadedImage& image) {
    installImageFaultHandler();
    LoadedImages& all = loadedImages();
    std::lock_guard guard(all.lock);
    all.images.push_back(&image);
    for (auto& slot : all.slots) {
        const LoadedImage* empty = nullptr;
        if (slot.compare_exchange_strong(empty, &image, std::memory_order_release)) {
            break;
        }
    }
    host::setImageFrameDescriber([] { return describeImageFrames(); });
}

void unregisterImage(const LoadedImage& image) {
    LoadedImages& all = loadedImages();
    std::lock_guard guard(all.lock);
    std::erase(all.images, &image);
    for (auto& slot : all.slots) {
        const LoadedImage* expected = &image;
        slot.compare_exchange_strong(expected, nullptr, std::memory_order_release);
    }
    if (all.images.empty()) {
        host::setImageFrameDescriber(nullptr);
    }
}

bool withImageContaining(const void* address, const std::function<void(const LoadedImage&)>& use) {
    LoadedImages& all = loadedImages();
    std::lock_guard guard(all.lock);
    const LoadedImage* image = findLocked(all.images, address);
    if (image == nullptr) {
        return false;
    }
    use(*image);
    return true;
}

const LoadedImage* imageContainingInSignal(const void* address) {
    for (const auto& slot : loadedImages().slots) {
        const LoadedImage* image = slot.load(std::memory_order_acquire);
        if (image != nullptr && image->contains(address)) {
            return image;
        }
    }
    return nullptr;
}

std::string symbolizeLoaded(const void* address) {
    std::string text;
    withImageContaining(address,
                        [&](const LoadedImage& image) { text = image.symbolize(address); });
    return text;
}

}  // namespace host::image
