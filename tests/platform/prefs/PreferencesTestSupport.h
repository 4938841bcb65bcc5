// Shared setup of the preferences tests: fresh storage folders and a fresh process state around
// every test.
#pragma once

#include "../../../platform/src/prefs/PreferencesStore.h"
#include "../plist/PlistTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

namespace plisttest {

class PreferencesTest : public testing::Test {
protected:
    void SetUp() override { platform::prefs::ResetPreferencesForTesting(); }
    void TearDown() override { platform::prefs::ResetPreferencesForTesting(); }

    std::string Folder() const { return mEnvironment.ConfigHome() + "/preferences"; }
    std::string FileOf(const std::string& id) const { return Folder() + "/" + id + ".plist"; }

    // The names in the preferences folder that start with prefix.
    std::vector<std::string> NamesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> names;
        if (DIR* folder = opendir(Folder().c_str())) {
            while (dirent* entry = readdir(folder)) {
                std::string name = entry->d_name;
                if (name.rfind(prefix, 0) == 0) {
                    names.push_back(name);
                }
            }
            closedir(folder);
        }
        return names;
    }

    testsupport::ScopedStorageEnvironment mEnvironment;
};

}  // namespace plisttest
