// Failure injection and call counts for the stand-in registry's kernel
// calls. Not thread-safe by itself: the registry holds its mutex around
// every use.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "nt_kernel.h"

namespace host {

// The kernel calls that can be counted and failed.
enum class RegistryCall {
    kOpenDeviceKey,  // IoOpenDeviceRegistryKey
    kCreateKey,      // ZwCreateKey
    kOpenKey,        // ZwOpenKey
    kQueryValue,     // ZwQueryValueKey
    kSetValue,       // ZwSetValueKey
    kDeleteValue,    // ZwDeleteValueKey
};

class RegistryInjection {
  public:
    // Fails the nth call from now (1-based) with `status`, or every call
    // when nth == 0. Replaces an earlier rule for the same call.
    void fail(RegistryCall call, NTSTATUS status, std::size_t nth);
    void clearRules();
    void resetCounts();

    // Counts the call; the status to fail it with when a rule says so.
    std::optional<NTSTATUS> onCall(RegistryCall call);
    std::size_t calls(RegistryCall call) const;

  private:
    struct Rule {
        NTSTATUS status;
        std::size_t countdown;  // 0: every call
    };
    static constexpr std::size_t kCalls = 6;

    std::array<std::optional<Rule>, kCalls> rules_{};
    std::array<std::size_t, kCalls> counts_{};
};

}  // namespace host
