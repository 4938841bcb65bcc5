// Whole clip scenarios with the built Stashwell.plugin under cmhost, one process per menu as a user
// would meet them in different applications: a clip made from selected text or from the clipboard
// in the "New Clip" dialog, found in the next menu, pasted, and deleted with the Option key held;
// plain-text-only clips; every way of cancelling; the alert when a clip cannot be stored.
#include "Subprocess.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using hosttest::ProcessResult;
using hosttest::RunProcess;
using nlohmann::json;

const std::string kCmhost = STASHWELL_BUILD_DIR "/cmhost";

const json kPasteKeystrokes = json::parse(R"([
    {"char": 0, "key": 55, "down": true}, {"char": 118, "key": 9, "down": true},
    {"char": 118, "key": 9, "down": false}, {"char": 0, "key": 55, "down": false}])");

class ClipScenario : public testing::Test {
protected:
    // Runs cmhost and answers its JSON report; fails the test when it is not one.
    json Run(const std::vector<std::string>& arguments)
    {
        ProcessResult result = RunProcess(kCmhost, arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        if (!json::accept(result.out)) {
            ADD_FAILURE() << "not JSON: " << result.out << result.err;
            return json::object();
        }
        return json::parse(result.out);
    }

    // Runs a cmhost command that prints no report.
    void RunQuietly(const std::vector<std::string>& arguments)
    {
        ProcessResult result = RunProcess(kCmhost, arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
    }

    // The commands of the root submenu and its submenus as "Title" or "Sub/Title" paths.
    std::vector<std::string> MenuPaths(const std::vector<std::string>& context = {"--text", "x"})
    {
        std::vector<std::string> arguments = context;
        arguments.insert(arguments.end(), {"menu", "--json"});
        json menu = Run(arguments);
        std::vector<std::string> paths;
        for (const json& top : menu["items"]) {
            Collect(top, "", paths);
        }
        return paths;
    }

    static void Collect(const json& item, const std::string& prefix, std::vector<std::string>& paths)
    {
        std::string path = prefix.empty() ? item["name"].get<std::string>() : prefix + "/" + item["name"].get<std::string>();
        if (item.contains("submenu")) {
            for (const json& each : item["submenu"]) {
                Collect(each, path, paths);
            }
        } else if (item.value("command", 0) != 0) {
            paths.push_back(path);
        }
    }

    std::string ClipsFolder() const { return mStorage.DataHome() + "/Stashwell"; }

    std::set<std::string> Packages() const { return testsupport::EntryNames(ClipsFolder()); }
    std::set<std::string> FilesIn(const std::string& package) const
    {
        return testsupport::EntryNames(ClipsFolder() + "/" + package);
    }

    // The clipboard's flavor types in order.
    std::vector<std::string> ClipboardTypes()
    {
        std::vector<std::string> types;
        // Kept in a variable: the loop must not run over a part of a temporary.
        json shown = Run({"clipboard", "show", "--json"});
        for (const json& flavor : shown["flavors"]) {
            types.push_back(flavor["type"]);
        }
        return types;
    }

    testsupport::ScopedStorageEnvironment mStorage;
};

TEST_F(ClipScenario, SelectedTextIsAddedPastedElsewhereAndDeletedWithOption)
{
    json added = Run({"--text", "Kind regards, Ann", "--dialog", R"({"name": "Sign-off", "submenu": "/Stashwell/Mail"})",
                      "choose", "--path", "Stashwell/Add Selected Text...", "--json"});
    EXPECT_EQ(added["status"], 0);
    ASSERT_EQ(added["dialogs"].size(), 1u);
    const json& dialog = added["dialogs"][0];
    EXPECT_EQ(dialog["window"], "New Clip");
    EXPECT_EQ(dialog["name"], "Kind regards, Ann");
    EXPECT_EQ(dialog["nameSelection"], json::parse("[0, 32767]"));
    EXPECT_EQ(dialog["submenu"], "/Stashwell");
    EXPECT_EQ(dialog["comboY"], 50);
    EXPECT_EQ(dialog["plainTextVisible"], true);
    EXPECT_EQ(dialog["button"], "ok");
    EXPECT_EQ(Packages(), (std::set<std::string>{"Sign-off"}));

    std::vector<std::string> menu = MenuPaths();
    EXPECT_NE(std::find(menu.begin(), menu.end(), "Stashwell/Mail/Sign-off"), menu.end());

    json pasted = Run({"--text", "Dear Bob,", "choose", "--path", "Stashwell/Mail/Sign-off", "--json"});
    EXPECT_EQ(pasted["keystrokes"], kPasteKeystrokes);
    EXPECT_EQ(pasted["document"], "Kind regards, Ann");
    EXPECT_EQ(ClipboardTypes(), (std::vector<std::string>{"TEXT", "utxt"}));

    // The next clip offers the submenu now in use.
    json second = Run({"--text", "Best, Ann", "--dialog", R"({"button": "cancel"})", "choose", "--id", "100", "--json"});
    ASSERT_EQ(second["dialogs"].size(), 1u);
    EXPECT_EQ(second["dialogs"][0]["submenuChoices"], json::parse(R"(["/Stashwell", "/Stashwell/Mail"])"));

    json deleted = Run({"--option", "--text", "x", "choose", "--path", "Stashwell/Mail/- Sign-off", "--json"});
    EXPECT_EQ(deleted["status"], 0);
    EXPECT_TRUE(Packages().empty());
    menu = MenuPaths();
    EXPECT_EQ(std::find(menu.begin(), menu.end(), "Stashwell/Mail/Sign-off"), menu.end());
}

TEST_F(ClipScenario, ClipboardContentIsStoredWithEveryFlavorAndComesBackWhole)
{
    RunQuietly({"clipboard", "set", "PICT=hex:0a0b0c", "TEXT=text:Figure caption"});
    json added = Run({"--dialog", R"({"name": "Figure 1"})", "choose", "--path", "Stashwell/Add Clipboard Content...",
                      "--json"});
    ASSERT_EQ(added["dialogs"].size(), 1u);
    EXPECT_EQ(added["dialogs"][0]["plainTextVisible"], true);
    EXPECT_EQ(FilesIn("Figure 1"), (std::set<std::string>{"PICT", "TEXT"}));

    RunQuietly({"clipboard", "clear"});
    json pasted = Run({"choose", "--path", "Stashwell/Figure 1", "--json"});
    EXPECT_EQ(pasted["keystrokes"], kPasteKeystrokes);
    json flavors = Run({"clipboard", "show", "--json"})["flavors"];
    ASSERT_EQ(flavors.size(), 2u);
    EXPECT_EQ(flavors[0]["type"], "PICT");
    EXPECT_EQ(flavors[0]["hex"], "0a0b0c");
    EXPECT_EQ(flavors[1]["type"], "TEXT");
}

TEST_F(ClipScenario, PlainTextOnlyClipKeepsAndPastesOnlyItsText)
{
    RunQuietly({"clipboard", "set", "PICT=hex:0102", "utxt=text:Styled words", "styl=hex:00"});
    json added = Run({"--dialog", R"({"name": "Words", "plainText": true})", "choose", "--id", "101", "--json"});
    ASSERT_EQ(added["dialogs"].size(), 1u);
    EXPECT_EQ(added["dialogs"][0]["plainText"], false) << "unticked at first";
    EXPECT_EQ(FilesIn("Words"), (std::set<std::string>{"utxt"}));

    RunQuietly({"clipboard", "clear"});
    json pasted = Run({"--text", "", "choose", "--path", "Stashwell/Words", "--json"});
    EXPECT_EQ(pasted["document"], "Styled words");
    EXPECT_EQ(ClipboardTypes(), (std::vector<std::string>{"utxt"}));
}

TEST_F(ClipScenario, ClipboardWithoutTextOffersNoPlainTextBox)
{
    RunQuietly({"clipboard", "set", "PICT=hex:0102"});
    json added = Run({"--dialog", R"({"button": "cancel"})", "choose", "--id", "101", "--json"});
    ASSERT_EQ(added["dialogs"].size(), 1u);
    EXPECT_EQ(added["dialogs"][0]["plainTextVisible"], false);
}

TEST_F(ClipScenario, SubmenuFieldSitsHigherBefore10_3)
{
    for (auto [version, y] : {std::pair{"10.2.8", 30}, std::pair{"10.3.0", 50}}) {
        json report = Run({"--system-version", version, "--text", "Old system", "--dialog", R"({"button": "cancel"})",
                           "choose", "--id", "100", "--json"});
        ASSERT_EQ(report["dialogs"].size(), 1u) << version;
        EXPECT_EQ(report["dialogs"][0]["comboY"], y) << version;
    }
}

TEST_F(ClipScenario, CancellingAtAnyStepStoresNothing)
{
    RunQuietly({"clipboard", "set", "TEXT=text:Not kept"});
    const std::vector<std::vector<std::string>> ways = {
        {"--text", "Draft", "--dialog", R"({"name": "A", "button": "cancel"})", "choose", "--id", "100", "--json"},
        {"--text", "Draft", "--dialog", R"({"name": "B", "button": "close"})", "choose", "--id", "100", "--json"},
        {"--dialog", R"({"name": "C", "secure": false, "button": "cancel"})", "choose", "--id", "101", "--json"},
        // No answer for the dialog at all, and only alerts answered: cancelled.
        {"--text", "Draft", "choose", "--id", "100", "--json"},
        {"--alert", "ok", "choose", "--id", "101", "--json"},
    };
    for (const auto& arguments : ways) {
        json report = Run(arguments);
        EXPECT_EQ(report["status"], 0);
        ASSERT_EQ(report["dialogs"].size(), 1u) << arguments[arguments.size() - 3];
        EXPECT_NE(report["dialogs"][0]["button"], "ok");
        EXPECT_TRUE(report["alerts"].empty());
    }
    EXPECT_TRUE(Packages().empty());
    std::vector<std::string> menu = MenuPaths();
    EXPECT_EQ(menu, (std::vector<std::string>{"Stashwell/Add Selected Text...", "Stashwell/Add Clipboard Content...",
                                              "Stashwell/Create New Keychain..."}));
}

TEST_F(ClipScenario, AClipThatCannotBeStoredIsReportedAndLeavesNothing)
{
    fs::create_directories(ClipsFolder() + "/Full");
    for (int suffix = 1; suffix <= 99; ++suffix) {
        fs::create_directories(ClipsFolder() + "/Full" + (suffix < 10 ? "0" : "") + std::to_string(suffix));
    }
    json report = Run({"--text", "One too many", "--dialog", R"({"name": "Full"})", "--alert", "ok", "choose", "--id",
                       "100", "--json"});
    EXPECT_EQ(report["status"], 0);
    ASSERT_EQ(report["alerts"].size(), 1u);
    EXPECT_EQ(report["alerts"][0]["message"], "An error occurred while saving the clip.");
    EXPECT_EQ(report["alerts"][0]["button"], "ok");
    EXPECT_EQ(Packages().size(), 100u);
    std::vector<std::string> menu = MenuPaths();
    EXPECT_EQ(std::find(menu.begin(), menu.end(), "Stashwell/Full"), menu.end());
}

// The keychain's whole life from the menu: created, a secure clip stored, locked (the clip leaves
// the menu), a wrong password refused, unlocked (it comes back), pasted, and locked again so that no
// key stays in the user's keyring.
TEST_F(ClipScenario, SecureClipLivesInTheKeychainAndIsListedOnlyWhileUnlocked)
{
    const std::string secret = "correct horse battery staple 7f3a";
    const std::string password = mStorage.DataHome() + "/../password";
    const std::string wrong = mStorage.DataHome() + "/../wrong";
    testsupport::WriteFile(password, "open sesame\n");
    testsupport::WriteFile(wrong, "open says me");

    EXPECT_EQ(MenuPaths()[1], "Stashwell/Create New Keychain...");
    json created = Run({"--password-file", password, "--text", "x", "choose", "--id", "125", "--json"});
    EXPECT_EQ(created["passwordPrompts"], 1);
    std::vector<std::string> menu = MenuPaths();
    EXPECT_NE(std::find(menu.begin(), menu.end(), "Stashwell/Lock Keychain"), menu.end());

    json added = Run({"--text", secret, "--dialog", R"({"name": "Bank", "secure": true})", "choose", "--id", "100", "--json"});
    ASSERT_EQ(added["dialogs"].size(), 1u);
    EXPECT_EQ(added["dialogs"][0]["button"], "ok");
    EXPECT_TRUE(Packages() == std::set<std::string>{"Stashwell.keychain"}) << "a secure clip has no package";
    menu = MenuPaths();
    EXPECT_NE(std::find(menu.begin(), menu.end(), "Stashwell/Bank"), menu.end());

    Run({"--text", "x", "choose", "--path", "Stashwell/Lock Keychain", "--json"});
    menu = MenuPaths();
    EXPECT_EQ(std::find(menu.begin(), menu.end(), "Stashwell/Bank"), menu.end()) << "listed only while unlocked";
    EXPECT_NE(std::find(menu.begin(), menu.end(), "Stashwell/Unlock Keychain..."), menu.end());

    json refused = Run({"--password-file", wrong, "--text", "x", "choose", "--id", "126", "--json"});
    EXPECT_EQ(refused["passwordPrompts"], 3) << "the same wrong answer is given three times, then the prompt is cancelled";
    menu = MenuPaths();
    EXPECT_EQ(std::find(menu.begin(), menu.end(), "Stashwell/Bank"), menu.end());

    Run({"--password-file", password, "--text", "x", "choose", "--path", "Stashwell/Unlock Keychain...", "--json"});
    json pasted = Run({"--text", "PIN: ", "choose", "--path", "Stashwell/Bank", "--json"});
    EXPECT_EQ(pasted["keystrokes"], kPasteKeystrokes);
    EXPECT_EQ(pasted["document"], secret);

    // Nothing of the user's own folders holds the secret in clear; the clipboard, which the paste
    // had to use, lives in the runtime folder that vanishes at logout.
    for (const std::string& folder : {mStorage.DataHome(), mStorage.ConfigHome()}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                EXPECT_EQ(testsupport::ReadFile(entry.path().string()).find(secret), std::string::npos) << entry.path();
            }
        }
    }
    Run({"--text", "x", "choose", "--id", "127", "--json"});
}

}  // namespace
