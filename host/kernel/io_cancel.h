// The stand-in's cancel spin lock, for the between-tests reset.
#pragma once

namespace host::detail {

// Frees the cancel spin lock whoever holds it. Only with no other thread
// running.
void resetCancelSpinLockForTest();

}  // namespace host::detail
