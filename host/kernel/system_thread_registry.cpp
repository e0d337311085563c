// The registry of host threads behind system threads.
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "system_threads.h"

namespace {

struct HostThread {
    std::thread thread;
    bool ended = false;  // the routine is over; the join cannot block long
};

struct Registry {
    std::mutex lock;
    std::map<std::uint64_t, HostThread> threads;
    std::uint64_t nextId = 1;
    std::size_t running = 0;
};

// Never destroyed: joinable std::threads must not be destroyed at exit.
Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

// The calling host thread's registry entry; 0 outside system threads.
thread_local std::uint64_t currentId = 0;

}  // namespace

namespace host {

std::size_t systemThreadsRunning() {
    std::lock_guard guard(registry().lock);
    return registry().running;
}

namespace detail {

void startSystemThread(std::function<void()> body) {
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    const std::uint64_t id = reg.nextId++;
    // Holding the lock keeps noteSystemThreadEnded waiting until the thread
    // is filed.
    std::thread thread([id, body = std::move(body)] {
        currentId = id;
        body();
    });
    reg.threads.emplace(id, HostThread{std::move(thread)});
    ++reg.running;
}

void noteSystemThreadEnded() {
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    reg.threads.at(currentId).ended = true;
    --reg.running;
}

void joinFinishedSystemThreads() {
    std::vector<std::thread> done;
    {
        Registry& reg = registry();
        std::lock_guard guard(reg.lock);
        for (auto entry = reg.threads.begin(); entry != reg.threads.end();) {
            if (entry->second.ended) {
                done.push_back(std::move(entry->second.thread));
                entry = reg.threads.erase(entry);
            } else {
                ++entry;
            }
        }
    }
    for (std::thread& thread : done) {
        thread.join();
    }
}

}  // namespace detail
}  // namespace host
