// The shared page is one memfd page mapped twice: writable for the updater,
// read-only for image code. The KSYSTEM_TIME fields are written as Windows
// writes them: High2Time first, then the low part and High1Time together
// (one 8-byte store), so a reader that reads the 8 bytes at once, as the
// DDK's macros do on x64, always sees a consistent value.
#include "shared_user_data.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <system_error>
#include <thread>

#include <kernel/nt_kernel.h>

namespace host::image {

class SharedUserData {
  public:
    SharedUserData();
    ~SharedUserData();
    SharedUserData(const SharedUserData&) = delete;
    SharedUserData& operator=(const SharedUserData&) = delete;

    const std::byte* readView() const { return readView_; }
    void refresh();

  private:
    void update();
    void unmapViews();
    void storeSystemTime(std::uint64_t offset, std::uint64_t value);
    void run();

    std::byte* writeView_ = nullptr;
    std::byte* readView_ = nullptr;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread updater_;
};

namespace {

std::mutex leaseMutex;
std::weak_ptr<SharedUserData> current;

std::byte* mapView(int fd, int protection) {
    void* view = mmap(nullptr, kSharedUserDataSize, protection, MAP_SHARED, fd, 0);
    return view == MAP_FAILED ? nullptr : static_cast<std::byte*>(view);
}

}  // namespace

SharedUserData::SharedUserData() {
    const int fd = memfd_create("kuser_shared_data", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, kSharedUserDataSize) != 0) {
        const int error = errno;
        if (fd >= 0) {
            close(fd);
        }
        throw std::system_error(error, std::generic_category(), "creating the shared user page");
    }
    writeView_ = mapView(fd, PROT_READ | PROT_WRITE);
    readView_ = mapView(fd, PROT_READ);
    const int error = errno;
    close(fd);
    try {
        if (writeView_ == nullptr || readView_ == nullptr) {
            throw std::system_error(error, std::generic_category(), "mapping the shared user page");
        }
        update();
        updater_ = std::thread([this] { run(); });
    } catch (...) {
        unmapViews();
        throw;
    }
}

void SharedUserData::unmapViews() {
    for (std::byte* view : {readView_, writeView_}) {
        if (view != nullptr) {
            munmap(view, kSharedUserDataSize);
        }
    }
}

SharedUserData::~SharedUserData() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    updater_.join();
    unmapViews();
}

void SharedUserData::storeSystemTime(std::uint64_t offset, std::uint64_t value) {
    const auto high = static_cast<std::uint32_t>(value >> 32);
    auto* field = writeView_ + offset;
    __atomic_store_n(reinterpret_cast<std::uint32_t*>(field + 8), high, __ATOMIC_RELEASE);
    if (offset % 8 == 0) {
        __atomic_store_n(reinterpret_cast<std::uint64_t*>(field), value, __ATOMIC_RELEASE);
    } else {
        // The system time (+0x14) is only 4-byte aligned, so no atomic
        // builtin; an 8-byte store within one cache line is still one access.
        std::memcpy(field, &value, 8);
        __atomic_thread_fence(__ATOMIC_RELEASE);
    }
}

void SharedUserData::refresh() {
    std::lock_guard lock(mutex_);
    update();
}

void SharedUserData::update() {
    const std::uint64_t interruptTime = KeQueryInterruptTime();
    LARGE_INTEGER systemTime;
    KeQuerySystemTime(&systemTime);
    storeSystemTime(kInterruptTimeOffset, interruptTime);
    storeSystemTime(kSystemTimeOffset, static_cast<std::uint64_t>(systemTime.QuadPart));
    storeSystemTime(kTickCountOffset, interruptTime / kTimeIncrement);
}

void SharedUserData::run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(1), [this] { return stopping_; })) {
        update();
    }
}

SharedUserDataLease::SharedUserDataLease() {
    std::lock_guard lock(leaseMutex);
    shared_ = current.lock();
    if (shared_ == nullptr) {
        shared_ = std::make_shared<SharedUserData>();
        current = shared_;
    }
}

SharedUserDataLease::~SharedUserDataLease() {
    std::lock_guard lock(leaseMutex);
    shared_.reset();
}

const std::byte* SharedUserDataLease::page() const {
    return shared_->readView();
}

void SharedUserDataLease::refresh() const {
    shared_->refresh();
}

}  // namespace host::image
