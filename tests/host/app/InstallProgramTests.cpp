// `cmake --install` into a prefix of its own: the installed cmhost runs with the installed libplatform
// and, without --plugins, loads the bundle installed with it rather than the build's.
#include "support/ChildProcess.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(InstallProgram, AnInstalledCmhostFindsTheInstalledBundle)
{
    testsupport::ScopedTempDir prefix;
    testsupport::ScopedStorageEnvironment storage;
    testsupport::ProcessResult installed =
        testsupport::RunProcess(STASHWELL_CMAKE, {"--install", STASHWELL_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(installed.exitStatus, 0) << installed.out << installed.err;
    const std::string bundle = prefix.Child("lib/stashwell/Stashwell.plugin");
    ASSERT_TRUE(fs::exists(prefix.Child("bin/cmhost")));
    ASSERT_TRUE(fs::exists(bundle + "/Contents/Info.plist"));
    ASSERT_TRUE(fs::exists(bundle + "/Contents/Resources/English.lproj/Dialogs.nib"));

    // Only the installed copy says this, so the menu tells which bundle was loaded.
    testsupport::WriteFile(bundle + "/Contents/Resources/English.lproj/Localizable.strings",
                           "\"Add Selected Text...\" = \"Add Selected Text (installed)...\";\n");
    testsupport::ProcessResult menu =
        testsupport::RunProcess(prefix.Child("bin/cmhost"), {"--text", "Dear John,", "menu", "--json"});
    ASSERT_EQ(menu.exitStatus, 0) << menu.err;
    nlohmann::json items = nlohmann::json::parse(menu.out)["items"];
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0]["submenu"][0]["name"], "Add Selected Text (installed)...");
}

}  // namespace
