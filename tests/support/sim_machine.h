// A simulated machine for one test. The simulated Windows is made anew when the test starts, and
// the process-wide msi.dll binding is dropped before that and again when the test ends: the
// binding points into the simulated library, which a reset replaces. Tests that script the
// machine derive from SimTest (or hold a ScopedMachine) and never reset anything by hand.
#pragma once

#include "installer/msi_library.h"
#include "installer/msi_package.h"
#include "locale/language_table.h"
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
        // What Windows answers as the country of each language's own locale.
        for (const LanguageRow& row : languageTable)
            sim::machine().countryCodeOfLanguage[row.languageId] = row.countryCode;
    }
};

// A package whose File table has the launcher's key file, of version `keyFileVersion`.
inline sim::MsiPackageData samplePackage(const std::u16string& productCode,
                                         const std::u16string& version,
                                         const std::u16string& keyFileVersion) {
    return sim::samplePackage(productCode, version, keyFileName, keyFileVersion);
}

class SimTest : public ::testing::Test {
protected:
    sim::Machine& machine() { return sim::machine(); }
    void renew() { scoped.renew(); }

private:
    ScopedMachine scoped;
};

} // namespace testsupport
