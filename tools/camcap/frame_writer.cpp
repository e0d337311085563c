#include "frame_writer.h"

#include "atomic_file.h"

FrameWriter::FrameWriter(std::filesystem::path dir, FrameSize size, ImageFormat format)
    : dir_(std::move(dir)), size_(size), format_(format), thread_([this] { writeLoop(); }) {}

FrameWriter::~FrameWriter() {
    stop();
}

void FrameWriter::add(std::uint32_t index, std::vector<std::uint8_t> pixels) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return jobs_.size() < kQueuedFrames || failure_ != nullptr; });
    if (failure_ != nullptr) {
        std::rethrow_exception(failure_);
    }
    jobs_.push_back({index, std::move(pixels)});
    changed_.notify_all();
}

void FrameWriter::finish() {
    stop();
    std::lock_guard lock(mutex_);
    if (failure_ != nullptr) {
        std::rethrow_exception(failure_);
    }
}

std::uint32_t FrameWriter::written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void FrameWriter::stop() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FrameWriter::writeLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return !jobs_.empty() || closing_; });
        if (jobs_.empty() || failure_ != nullptr) {
            return;
        }
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        changed_.notify_all();  // room for the next frame
        lock.unlock();
        std::exception_ptr failure;
        try {
            writeFileAtomically(dir_ / frameFileName(job.index, format_),
                                encodeFrame(job.pixels, size_, format_));
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        written_ += failure == nullptr ? 1 : 0;
        failure_ = failure;
        changed_.notify_all();
    }
}
