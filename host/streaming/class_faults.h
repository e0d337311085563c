// Failures a test can make the stand-in streaming class produce, as the
// real class would under memory pressure or a refused registration.
//
// Test-facing; set on the test's main thread before the class runs, read
// by the class on whatever thread calls it. Process-wide; reset() (also run
// by resetStreamingForTest) clears everything.
#pragma once

#include <cstddef>

#include "ks_api.h"

namespace host::streaming {

class ClassFaults {
  public:
    // KsCreateFilterFactory fails with `status` until cleared.
    void failFilterFactories(NTSTATUS status);
    // KsAddItemToObjectBag fails with `status`: every call (nth == 0) or
    // only the nth call from now (1-based).
    void failBagAdds(NTSTATUS status, std::size_t nth = 0);
    // The class's own allocation of a filter or pin object fails: the
    // creation returns STATUS_INSUFFICIENT_RESOURCES before the driver
    // hears of it.
    void failFilterCreation(bool fail);
    void failPinCreation(bool fail);
    // Pins created from now on get no reference clock:
    // KsPinGetReferenceClockInterface answers STATUS_UNSUCCESSFUL, as the
    // class does for a pin whose graph has no master clock.
    void withoutReferenceClock(bool none);
    void reset();

    // Class-facing: the status the operation fails with, or STATUS_SUCCESS.
    NTSTATUS filterFactoryStatus() const;
    NTSTATUS nextBagAddStatus();
    bool filterCreationFails() const;
    bool pinCreationFails() const;
    bool pinsGetNoClock() const;

  private:
    NTSTATUS factoryStatus_ = STATUS_SUCCESS;
    NTSTATUS bagStatus_ = STATUS_SUCCESS;
    std::size_t bagCountdown_ = 0;  // 0: every add fails while bagStatus_ is set
    bool failFilters_ = false;
    bool failPins_ = false;
    bool noClock_ = false;
};

ClassFaults& classFaults();

}  // namespace host::streaming
