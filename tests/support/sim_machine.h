// A simulated machine for one test. The simulated Windows is made anew when the test starts, and
// the process-wide msi.dll binding is dropped before that and again when the test ends: the
// binding points into the simulated library, which a reset replaces. Tests that script the
// machine derive from SimTest (or hold a ScopedMachine) and never reset anything by hand.
#pragma once

#include "installer/msi_library.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_msi.h"

#include <gtest/gtest.h>

namespace testsupport {

class ScopedMachine {
public:
    ScopedMachine() { renew(); }
    ~ScopedMachine() { msiLibrary().unload(); }
    ScopedMachine(const ScopedMachine&) = delete;
    ScopedMachine& operator=(const ScopedMachine&) = delete;

    // A fresh machine again, for one row of a table of cases.
    void renew() {
        msiLibrary().unload();
        sim::reset();
    }
};

class SimTest : public ::testing::Test {
protected:
    sim::Machine& machine() { return sim::machine(); }
    void renew() { scoped.renew(); }

private:
    ScopedMachine scoped;
};

} // namespace testsupport
