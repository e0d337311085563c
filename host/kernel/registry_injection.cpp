#include "registry_injection.h"

namespace host {
namespace {

std::size_t indexOf(RegistryCall call) {
    return static_cast<std::size_t>(call);
}

}  // namespace

void RegistryInjection::fail(RegistryCall call, NTSTATUS status, std::size_t nth) {
    rules_.at(indexOf(call)) = Rule{status, nth};
}

void RegistryInjection::clearRules() {
    rules_.fill(std::nullopt);
}

void RegistryInjection::resetCounts() {
    counts_.fill(0);
}

std::optional<NTSTATUS> RegistryInjection::onCall(RegistryCall call) {
    ++counts_.at(indexOf(call));
    std::optional<Rule>& rule = rules_.at(indexOf(call));
    if (!rule) {
        return std::nullopt;
    }
    const NTSTATUS status = rule->status;
    if (rule->countdown == 0) {
        return status;
    }
    if (--rule->countdown != 0) {
        return std::nullopt;
    }
    rule.reset();  // the nth call fails once
    return status;
}

std::size_t RegistryInjection::calls(RegistryCall call) const {
    return counts_.at(indexOf(call));
}

}  // namespace host
