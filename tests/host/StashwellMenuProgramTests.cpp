// The built Stashwell.plugin under cmhost, over a clip list that the test writes into the
// preferences: the exact records of the menu, and the Option alternates picked at a terminal.
#include "PseudoTerminal.h"
#include "Subprocess.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

const std::string kCmhost = STASHWELL_BUILD_DIR "/cmhost";

struct Clip {
    const char* name;
    const char* submenu;
};

// Writes the clip list as the plug-in stores it: format version 1 and one record per clip.
void WriteClipList(const std::vector<Clip>& clips)
{
    std::string plist =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n<key>VERSION</key><integer>1</integer>\n<key>CLIP_LIST</key>\n<array>\n";
    for (const Clip& clip : clips) {
        plist += std::string("<dict><key>NAME</key><string>") + clip.name + "</string><key>SUBMENU</key><string>" +
                 clip.submenu + "</string></dict>\n";
    }
    plist += "</array>\n</dict>\n</plist>\n";
    fs::path folder = fs::path(std::getenv("XDG_CONFIG_HOME")) / "preferences";
    fs::create_directories(folder);
    testsupport::WriteFile((folder / "org.stashwell.cmplugin.plist").string(), plist);
}

// A clip in the root submenu, one in a submenu of it, and one in a submenu below that; a clip
// named "-" is an item like any other.
const std::vector<Clip> kClips = {
    {"Address", "/Stashwell/Work"},
    {"Greeting", "/Stashwell"},
    {"Sign-off", "/Stashwell/Work"},
    {"Old note", "/Stashwell/Work/Archive"},
    {"-", "/Stashwell"},
};

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
        {"name": "- -", "nameType": "cfst", "command": 2204, "attributes": 264, "modifiers": 2}]}]})";

class StashwellMenu : public testing::Test {
protected:
    testsupport::ScopedStorageEnvironment mStorage;
};

// No keychain file exists here, so "Create New Keychain..." (125) follows "Add Selected Text...".
TEST_F(StashwellMenu, ClipsAppearInTheirSubmenusInClipListOrder)
{
    WriteClipList(kClips);
    hosttest::ProcessResult result = hosttest::RunProcess(kCmhost, {"--text", "Dear John,", "menu", "--json"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(nlohmann::json::parse(result.out), nlohmann::json::parse(kExpectedMenu)) << result.out;

    // Holding Option changes what the user sees, not what the plug-in wrote.
    hosttest::ProcessResult held =
        hosttest::RunProcess(kCmhost, {"--text", "Dear John,", "menu", "--json", "--option"});
    ASSERT_EQ(held.exitStatus, 0) << held.err;
    EXPECT_EQ(held.out, result.out);
}

TEST_F(StashwellMenu, TheAlternateIsPickedWhileOptionIsHeldAtTheTerminal)
{
    WriteClipList(kClips);
    const std::string down = "\x1b[B";
    // Into Stashwell, down to its last item (the clip named "-"; Down stops there), one up.
    std::vector<std::string> keys = {"\x1b[C"};
    keys.insert(keys.end(), 9, down);
    keys.insert(keys.end(), {"\x1b[A", "\t", "\r", "q"});
    hosttest::TerminalResult result = hosttest::RunOnTerminal(kCmhost, {"--text", "Dear John,"}, "hold/release Option", keys);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.screen.find("- Greeting"), std::string::npos);
    EXPECT_NE(result.screen.find("chose command 2201 (- Greeting)"), std::string::npos) << result.screen;
    EXPECT_NE(result.screen.find("HandleSelection(2201) answered "), std::string::npos) << result.screen;
    EXPECT_EQ(result.localModeAfter, result.localModeBefore);
}

// True when some record at any depth carries the command id.
bool HoldsCommand(const nlohmann::json& items, int command)
{
    for (const nlohmann::json& item : items) {
        if (item.contains("submenu") ? HoldsCommand(item["submenu"], command) : item.value("command", -1) == command)
            return true;
    }
    return false;
}

TEST_F(StashwellMenu, ACocoaHostsFocusedViewSuppliesTheSelectedText)
{
    struct Case {
        std::vector<std::string> arguments;
        bool offersSelectedText;
    };
    const Case cases[] = {
        {{"menu", "--json"}, false},
        // The application object is there, but its view has nothing it could send.
        {{"--cocoa", "menu", "--json"}, false},
        {{"--cocoa", "--cocoa-selection", "Dear John,", "menu", "--json"}, true},
        {{"menu", "--json", "--cocoa-selection", "\xC3\xA9t\xC3\xA9", "--cocoa"}, true},
    };
    for (const Case& run : cases) {
        hosttest::ProcessResult result = hosttest::RunProcess(kCmhost, run.arguments);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        nlohmann::json menu = nlohmann::json::parse(result.out);
        EXPECT_EQ(HoldsCommand(menu["items"], 100), run.offersSelectedText)
            << testing::PrintToString(run.arguments) << "\n" << result.out;
    }
}

}  // namespace
