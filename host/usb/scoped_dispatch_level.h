// Runs a scope at DISPATCH_LEVEL, as the bus completes requests (a host
// controller's completion runs in a DPC). Nests: raising from
// DISPATCH_LEVEL to DISPATCH_LEVEL leaves the IRQL as it is.
#pragma once

#include "usb_api.h"

namespace host::usb {

class ScopedDispatchLevel {
  public:
    ScopedDispatchLevel() { KeRaiseIrql(DISPATCH_LEVEL, &oldIrql_); }
    ~ScopedDispatchLevel() { KeLowerIrql(oldIrql_); }
    ScopedDispatchLevel(const ScopedDispatchLevel&) = delete;
    ScopedDispatchLevel& operator=(const ScopedDispatchLevel&) = delete;

  private:
    KIRQL oldIrql_ = PASSIVE_LEVEL;
};

}  // namespace host::usb
