#include "image_frames.h"

#include <pthread.h>

#include <algorithm>
#include <span>

#include "instruction_decoder.h"
#include "kernel_image.h"
#include "loaded_images.h"

namespace host::image {
namespace {

// Long enough for every image frame a driver's call chain leaves between a
// stand-in call and the thread's start; bounded so a scan stays quick.
constexpr std::size_t kMaximumScannedWords = 1 << 16;
// A call is at most a prefix, REX, FF, ModRM, SIB and a 4-byte displacement.
constexpr std::size_t kLongestCall = 9;
constexpr std::size_t kFramesNamed = 4;

struct StackRange {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;
};

StackRange currentStack() {
    thread_local StackRange range;
    if (range.high == 0) {
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            void* address = nullptr;
            std::size_t size = 0;
            if (pthread_attr_getstack(&attributes, &address, &size) == 0) {
                range.low = reinterpret_cast<std::uintptr_t>(address);
                range.high = range.low + size;
            }
            pthread_attr_destroy(&attributes);
        }
    }
    return range;
}

std::size_t callLength(const void* candidate) {
    std::size_t length = 0;
    withImageContaining(candidate, [&](const LoadedImage& image) {
        if (!image.containsCode(candidate)) {
            return;
        }
        const SectionHeader* section = image.headers.sectionAt(image.rvaOf(candidate));
        length = callLengthBefore(image.mapping->base() + section->virtualAddress,
                                  static_cast<const std::byte*>(candidate));
    });
    return length;
}

// Reads stack words outside this function's frame, which AddressSanitizer
// keeps poisoned around other frames' variables.
__attribute__((no_sanitize("address"))) std::uintptr_t stackWord(std::uintptr_t at) {
    return *reinterpret_cast<const volatile std::uintptr_t*>(at);
}

}  // namespace

std::size_t callLengthBefore(const std::byte* codeStart, const std::byte* returnAddress) {
    const std::size_t available = static_cast<std::size_t>(returnAddress - codeStart);
    for (std::size_t length = 2; length <= std::min(kLongestCall, available); ++length) {
        const auto instruction =
            decodeInstruction(std::span<const std::byte>(returnAddress - length, length));
        if (instruction && instruction->length == length && isCall(*instruction)) {
            return length;
        }
    }
    return 0;
}

std::vector<const void*> imageReturnAddresses(std::size_t limit, const void* stackPointer) {
    std::vector<const void*> found;
    const StackRange stack = currentStack();
    auto at = reinterpret_cast<std::uintptr_t>(
        stackPointer != nullptr ? stackPointer : __builtin_frame_address(0));
    at &= ~std::uintptr_t{7};
    if (at < stack.low || at >= stack.high) {
        return found;
    }
    for (std::size_t words = 0; at + sizeof(std::uintptr_t) <= stack.high &&
                                words < kMaximumScannedWords && found.size() < limit;
         at += sizeof(std::uintptr_t), ++words) {
        const auto* candidate = reinterpret_cast<const void*>(stackWord(at));
        if (callLength(candidate) != 0) {
            found.push_back(candidate);
        }
    }
    return found;
}

std::string describeImageFrames(const void* stackPointer) {
    std::string text;
    for (const void* returnAddress : imageReturnAddresses(kFramesNamed, stackPointer)) {
        const void* call = static_cast<const std::byte*>(returnAddress) - callLength(returnAddress);
        const std::string name = symbolizeLoaded(call);
        text += text.empty() ? name : ", called from " + name;
    }
    return text;
}

}  // namespace host::image
