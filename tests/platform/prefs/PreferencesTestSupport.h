// Shared setup of the preferences tests: fresh storage folders and a fresh process state around
// every test.
#pragma once

#include "../../../platform/src/prefs/PreferencesStore.h"
#include "base/LockFile.h"
#include "base/Warnings.h"
#include "../plist/PlistTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace plisttest {

// The plug-in's application id.
inline const CFStringRef kApp = CFSTR("org.stashwell.cmplugin");

// The value of a number as an integer, -1 when it is missing or not a number.
inline long IntegerValue(CFTypeRef number)
{
    SInt64 value = -1;
    if (number == nullptr || CFGetTypeID(number) != CFNumberGetTypeID() ||
        !CFNumberGetValue(static_cast<CFNumberRef>(number), kCFNumberSInt64Type, &value)) {
        return -1;
    }
    return static_cast<long>(value);
}

class PreferencesTest : public testing::Test {
protected:
    void SetUp() override
    {
        platform::prefs::ResetPreferencesForTesting();
        platform::TakeWarnings();  // left by earlier tests
    }
    void TearDown() override
    {
        platform::prefs::ResetPreferencesForTesting();
        platform::SetLockWaitForTesting({});
    }

    std::string Folder() const { return mEnvironment.ConfigHome() + "/preferences"; }
    std::string FileOf(const std::string& id) const { return Folder() + "/" + id + ".plist"; }
    std::string AppFile() const { return FileOf("org.stashwell.cmplugin"); }
    // Makes the preferences folder the way another writer would have made it first.
    void MakeFolder() const
    {
        mkdir(mEnvironment.ConfigHome().c_str(), 0700);
        mkdir(Folder().c_str(), 0700);
    }

    // The names in the preferences folder that start with prefix.
    std::vector<std::string> NamesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> names;
        for (const std::string& name : testsupport::EntryNames(Folder())) {
            if (name.rfind(prefix, 0) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }

    testsupport::ScopedStorageEnvironment mEnvironment;
};

}  // namespace plisttest
