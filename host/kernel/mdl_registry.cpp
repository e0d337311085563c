#include "mdl_registry.h"

#include <mutex>
#include <unordered_set>

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_set<PMDL> mdls;
};

Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

}  // namespace

namespace host {

std::size_t liveMdls() {
    std::lock_guard guard(registry().lock);
    return registry().mdls.size();
}

namespace detail {

void registerMdl(PMDL mdl) {
    std::lock_guard guard(registry().lock);
    registry().mdls.insert(mdl);
}

bool unregisterMdl(PMDL mdl) {
    std::lock_guard guard(registry().lock);
    return registry().mdls.erase(mdl) != 0;
}

bool isLiveMdl(PMDL mdl) {
    std::lock_guard guard(registry().lock);
    return registry().mdls.count(mdl) != 0;
}

void resetMdlsForTest() {
    std::lock_guard guard(registry().lock);
    registry().mdls.clear();
}

}  // namespace detail
}  // namespace host
