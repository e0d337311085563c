#include "violation.h"

#include <execinfo.h>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace host {
namespace {

std::atomic<ScopedViolationRecorder*> activeRecorder{nullptr};
std::atomic<ImageFrameDescriber> imageFrameDescriber{nullptr};

// A backtrace makes an abort outside gtest point at the offending driver
// call; inside a death test it lands in the captured stderr.
void printBacktrace() {
    void* frames[32];
    const int depth = backtrace(frames, 32);
    backtrace_symbols_fd(frames, depth, STDERR_FILENO);
}

}  // namespace

void reportViolation(const char* what) {
    if (ScopedViolationRecorder* recorder = activeRecorder.load(std::memory_order_acquire)) {
        recorder->record(what);
        return;
    }
    std::fprintf(stderr, "platform rule broken: %s\n", what);
    if (ImageFrameDescriber describe = imageFrameDescriber.load(std::memory_order_acquire)) {
        const std::string frames = describe();
        if (!frames.empty()) {
            std::fprintf(stderr, "  in image code: %s\n", frames.c_str());
        }
    }
    std::fflush(stderr);
    printBacktrace();
    std::abort();
}

void reportViolation(const std::string& what) {
    reportViolation(what.c_str());
}

void setImageFrameDescriber(ImageFrameDescriber describer) {
    imageFrameDescriber.store(describer, std::memory_order_release);
}

ScopedViolationRecorder::ScopedViolationRecorder()
    : previous_(activeRecorder.exchange(this, std::memory_order_acq_rel)) {}

ScopedViolationRecorder::~ScopedViolationRecorder() {
    activeRecorder.store(previous_, std::memory_order_release);
}

std::vector<std::string> ScopedViolationRecorder::violations() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::size_t ScopedViolationRecorder::count() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

bool ScopedViolationRecorder::contains(std::string_view fragment) const {
    std::lock_guard lock(mutex_);
    return std::any_of(messages_.begin(), messages_.end(), [&](const std::string& message) {
        return message.find(fragment) != std::string::npos;
    });
}

void ScopedViolationRecorder::record(const char* what) {
    std::lock_guard lock(mutex_);
    messages_.emplace_back(what);
}

}  // namespace host
