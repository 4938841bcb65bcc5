// `cmake --install` into a prefix of its own: the popup lands beside cmhost, runs with the installed
// libplatform, and its desktop entry starts it by its installed path.
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

TEST(InstallPopup, ThePopupAndADesktopEntryThatStartsItAreInstalled)
{
    testsupport::ScopedTempDir prefix;
    testsupport::ProcessResult installed =
        testsupport::RunProcess(STASHWELL_CMAKE, {"--install", STASHWELL_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(installed.exitStatus, 0) << installed.out << installed.err;
    const std::string popup = prefix.Child("bin/stashwell-popup");
    ASSERT_TRUE(std::filesystem::exists(popup));

    const std::string entry = testsupport::ReadFile(prefix.Child("share/applications/stashwell-popup.desktop"));
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    EXPECT_NE(entry.find("\nExec=" + popup + "\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos) << entry;

    // It finds the platform library installed beside it, not the build's, and starts.
    testsupport::ProcessResult libraries = testsupport::RunProcess("/usr/bin/ldd", {popup});
    EXPECT_NE(libraries.out.find(prefix.Child("bin/../lib/libplatform.so")), std::string::npos) << libraries.out;
    testsupport::ProcessResult help = testsupport::RunProcess(popup, {"--help"});
    EXPECT_EQ(help.exitStatus, 0) << help.err;
    EXPECT_NE(help.out.find("Usage: stashwell-popup"), std::string::npos) << help.out;
}

}  // namespace
