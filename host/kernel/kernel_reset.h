// Returning the stand-in kernel to its starting state between tests.
#pragma once

#include <string>

namespace host {

// Called by the test fixture's TearDown on the test's main thread, after
// every thread the test started has ended. Returns what was still held by
// any thread ("1 spin lock held", "2 fast mutexes held"), empty when
// nothing; then clears all failure injection, resets the pool ledger
// (freeing leaked blocks) and the floating-point counters, and puts the
// calling thread back at PASSIVE_LEVEL with no critical region, no lock and
// no floating-point save.
std::string resetKernelForTest();

}  // namespace host
