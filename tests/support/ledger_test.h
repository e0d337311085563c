// The base fixture of every test in the project. SetUp checks that the
// stand-in kernel starts clean (an earlier test that did not derive from
// LedgerTest may have left blocks behind). TearDown, on the test's main
// thread after the test's own threads have ended, expects: the pool ledger
// balanced (the leak report is printed otherwise), the thread back at
// PASSIVE_LEVEL, no critical region entered, no floating-point save
// outstanding, no lock held by any thread, no IRP or MDL left allocated, no
// kernel handle left open and no system thread still running (a test that
// starts one waits on its thread object, which is signalled only after the
// thread has stopped counting as running). It then resets the stand-in
// (injection cleared, ledger emptied, handles closed) so the next test
// starts clean.
//
// A derived fixture that overrides TearDown frees its own objects first and
// then calls LedgerTest::TearDown().
#pragma once

#include <gtest/gtest.h>

class LedgerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};
