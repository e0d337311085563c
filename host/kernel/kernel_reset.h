// Returning the stand-in kernel to its starting state between tests.
#pragma once

#include <string>

namespace host {

// Called by the test fixture's TearDown on the test's main thread, after
// every thread the test started has ended. Returns what was still held by
// any thread ("1 spin lock held", "2 fast mutexes held"), empty when
// nothing; then closes leaked kernel handles, empties the registry (its
// device keys, injection and call counts too), joins the host threads of
// finished system threads, forgets the IRPs, MDLs and object references on
// record, frees the cancel spin lock, clears all failure injection, resets
// the pool ledger (freeing leaked blocks, leaked IRPs and MDLs among them)
// and the floating-point counters, and puts the calling thread back at
// PASSIVE_LEVEL with no critical region, no lock and no floating-point
// save. A system thread still running is left running.
std::string resetKernelForTest();

}  // namespace host
