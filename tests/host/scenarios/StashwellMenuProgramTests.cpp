// The built Stashwell.plugin under cmhost: where the selected text comes from, and the warning the
// user gets when the preferences had to be put aside.
#include "host/support/CmhostRun.h"

namespace {

using namespace hosttest;

using StashwellMenu = CmhostTest;

TEST_F(StashwellMenu, ACocoaHostsFocusedViewSuppliesTheSelectedText)
{
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{"menu", "--json"}, false},
        // The application object is there, but its view has nothing it could send.
        {{"--cocoa", "menu", "--json"}, false},
        {{"--cocoa", "--cocoa-selection", "Dear John,", "menu", "--json"}, true},
        {{"menu", "--json", "--cocoa-selection", "\xC3\xA9t\xC3\xA9", "--cocoa"}, true},
    };
    for (const auto& [arguments, offersSelectedText] : cases) {
        std::vector<std::pair<std::string, int>> commands;
        CollectCommands(Json(arguments)["items"], "", commands);
        EXPECT_EQ(Contains(commands, std::pair<std::string, int>{"Stashwell/Add Selected Text...", 100}),
                  offersSelectedText)
            << testing::PrintToString(arguments) << "\n" << mLast.out;
    }
}

// A damaged preferences file is put aside and the menu goes on without it: every way of running
// cmhost tells the user so, once, on standard error and in its JSON report.
TEST_F(StashwellMenu, APreferencesFilePutAsideIsToldInEveryReport)
{
    const std::string folder = mStorage.ConfigHome() + "/preferences";
    const std::pair<std::vector<std::string>, bool> runs[] = {
        {{"--text", "x", "menu", "--json"}, true},
        {{"--text", "x", "--dialog", R"({"button": "cancel"})", "choose", "--id", "100", "--json"}, true},
        {{"--text", "x", "menu"}, false},
        {{"--text", "x"}, false},  // the session that reads command ids, here none
    };
    for (const auto& [arguments, json] : runs) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        testsupport::WriteFile(folder + "/org.stashwell.cmplugin.plist", "<?xml version=\"1.0\"?><plist><dict><key>V");
        ProcessResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        std::vector<std::string> lines = HostLines(result.err);
        ASSERT_EQ(lines.size(), 1u) << result.err;
        EXPECT_EQ(lines[0].rfind("cmhost: warning: ", 0), 0u) << lines[0];
        if (json) {
            ASSERT_TRUE(json::accept(result.out)) << result.out;
            EXPECT_EQ(json::parse(result.out)["warnings"], json::array({lines[0].substr(17)}));
        }
        EXPECT_EQ(testsupport::EntryNames(folder).size(), 2u) << "the file put aside, and the lock file";
    }
}

}  // namespace
