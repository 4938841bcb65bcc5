// The built Stashwell.plugin under cmhost, over a clip list that the test writes into the
// preferences: the exact records of the menu, where the selected text comes from, and the warning
// the user gets when the preferences had to be put aside.
#include "host/support/CmhostRun.h"
#include "support/StoredClipList.h"

namespace {

using namespace hosttest;

const char* const kExpectedMenu = R"({"status": 0, "items": [
    {"name": "Stashwell", "nameType": "utxt", "submenu": [
        {"name": "Add Selected Text...", "nameType": "cfst", "command": 100},
        {"name": "Create New Keychain...", "nameType": "cfst", "command": 125},
        {"name": "Work", "nameType": "utxt", "submenu": [
            {"name": "Address", "nameType": "cfst", "command": 200, "attributes": 280},
            {"name": "- Address", "nameType": "cfst", "command": 2200, "attributes": 264, "modifiers": 2},
            {"name": "Sign-off", "nameType": "cfst", "command": 202, "attributes": 280},
            {"name": "- Sign-off", "nameType": "cfst", "command": 2202, "attributes": 264, "modifiers": 2},
            {"name": "Archive", "nameType": "utxt", "submenu": [
                {"name": "Old note", "nameType": "cfst", "command": 203, "attributes": 280},
                {"name": "- Old note", "nameType": "cfst", "command": 2203, "attributes": 264, "modifiers": 2}]}]},
        {"name": "-", "nameType": "cfst", "command": 0},
        {"name": "Greeting", "nameType": "cfst", "command": 201, "attributes": 280},
        {"name": "- Greeting", "nameType": "cfst", "command": 2201, "attributes": 264, "modifiers": 2},
        {"name": "-", "nameType": "cfst", "command": 204, "attributes": 280},
        {"name": "- -", "nameType": "cfst", "command": 2204, "attributes": 264, "modifiers": 2}]}],
    "warnings": []})";

using StashwellMenu = CmhostTest;

// A clip in the root submenu, one in a submenu of it, and one in a submenu below that; a clip named
// "-" is an item like any other. No keychain file exists here, so "Create New Keychain..." (125)
// follows "Add Selected Text...".
TEST_F(StashwellMenu, ClipsAppearInTheirSubmenusInClipListOrder)
{
    using cliplisttest::Clip;
    cliplisttest::StoreClipList({Clip("Address", "/Stashwell/Work"), Clip("Greeting", "/Stashwell"),
                                 Clip("Sign-off", "/Stashwell/Work"), Clip("Old note", "/Stashwell/Work/Archive"),
                                 Clip("-", "/Stashwell")});
    EXPECT_EQ(Json({"--text", "Dear John,", "menu", "--json"}), json::parse(kExpectedMenu)) << mLast.out;

    // Holding Option changes what the user sees, not what the plug-in wrote.
    const std::string released = mLast.out;
    Json({"--text", "Dear John,", "menu", "--json", "--option"});
    EXPECT_EQ(mLast.out, released);
}

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
