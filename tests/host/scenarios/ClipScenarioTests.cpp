// Whole clip scenarios with the built Stashwell.plugin under cmhost, one process per menu as a user
// would meet them in different applications: a clip made from selected text or from the clipboard
// in the "New Clip" dialog, found in the next menu, pasted, and deleted with the Option key held;
// plain-text-only clips; every way of cancelling; secure clips; a pasted secret leaving the
// clipboard; a clips folder and keychain the user linked elsewhere. Why a clip cannot be stored, and
// the alert that says so, is the plug-in's clip creation tests' concern.
#include "host/support/CmhostRun.h"
#include "host/support/StoredClips.h"
#include "support/ScopedVariable.h"

#include <chrono>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace hosttest;

class ClipScenario : public CmhostTest {
protected:
    // Runs a cmhost command that prints no report.
    void RunQuietly(const std::vector<std::string>& arguments)
    {
        ProcessResult result = Run(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
    }

    std::set<std::string> FilesIn(const std::string& package) const
    {
        return testsupport::EntryNames(ClipsFolder() + "/" + package);
    }

    // The clipboard's flavor types in order.
    std::vector<std::string> ClipboardTypes()
    {
        std::vector<std::string> types;
        // Kept in a variable: the loop must not run over a part of a temporary.
        json shown = Json({"clipboard", "show", "--json"});
        for (const json& flavor : shown["flavors"])
            types.push_back(flavor["type"]);
        return types;
    }
};

TEST_F(ClipScenario, SelectedTextIsAddedPastedElsewhereAndDeletedWithOption)
{
    json added = Json({"--text", "Kind regards, Ann", "--dialog", R"({"name": "Sign-off", "submenu": "/Stashwell/Mail"})",
                      "choose", "--path", "Stashwell/Add Selected Text...", "--json"});
    EXPECT_EQ(added["status"], 0);
    ASSERT_EQ(added["dialogs"].size(), 1u);
    // Reported as first shown, with the button that ended it.
    EXPECT_EQ(added["dialogs"][0], json::parse(R"({"window": "New Clip", "name": "Kind regards, Ann",
        "nameSelection": [0, 32767], "submenuChoices": ["/Stashwell"], "submenu": "/Stashwell", "comboY": 50,
        "secure": false, "plainText": false, "plainTextVisible": true, "button": "ok"})"));
    EXPECT_TRUE(added["alerts"].empty());
    EXPECT_EQ(added["passwordPrompts"], 0);
    EXPECT_EQ(Packages(), (std::set<std::string>{"Sign-off"}));

    EXPECT_TRUE(Contains(MenuPaths(), "Stashwell/Mail/Sign-off"));

    json pasted = Json({"--text", "Dear Bob,", "choose", "--path", "Stashwell/Mail/Sign-off", "--json"});
    EXPECT_EQ(pasted["keystrokes"], kPasteKeystrokes);
    EXPECT_EQ(pasted["document"], "Kind regards, Ann");
    EXPECT_EQ(ClipboardTypes(), (std::vector<std::string>{"TEXT", "utxt"}));

    // The next clip offers the submenu now in use.
    json second = Json({"--text", "Best, Ann", "--dialog", R"({"button": "cancel"})", "choose", "--id", "100", "--json"});
    ASSERT_EQ(second["dialogs"].size(), 1u);
    EXPECT_EQ(second["dialogs"][0]["submenuChoices"], json::parse(R"(["/Stashwell", "/Stashwell/Mail"])"));

    json deleted = Json({"--option", "--text", "x", "choose", "--path", "Stashwell/Mail/- Sign-off", "--json"});
    EXPECT_EQ(deleted["status"], 0);
    EXPECT_TRUE(Packages().empty());
    EXPECT_FALSE(Contains(MenuPaths(), "Stashwell/Mail/Sign-off"));
}

TEST_F(ClipScenario, ClipboardContentIsStoredWithEveryFlavorAndComesBackWhole)
{
    RunQuietly({"clipboard", "set", "PICT=hex:0a0b0c", "TEXT=text:Figure caption"});
    json added = Json({"--dialog", R"({"name": "Figure 1"})", "choose", "--path", "Stashwell/Add Clipboard Content...",
                      "--json"});
    ASSERT_EQ(added["dialogs"].size(), 1u);
    EXPECT_EQ(added["dialogs"][0]["plainTextVisible"], true);
    EXPECT_EQ(FilesIn("Figure 1"), (std::set<std::string>{"PICT", "TEXT"}));

    RunQuietly({"clipboard", "clear"});
    json pasted = Json({"choose", "--path", "Stashwell/Figure 1", "--json"});
    EXPECT_EQ(pasted["keystrokes"], kPasteKeystrokes);
    json flavors = Json({"clipboard", "show", "--json"})["flavors"];
    ASSERT_EQ(flavors.size(), 2u);
    EXPECT_EQ(flavors[0]["type"], "PICT");
    EXPECT_EQ(flavors[0]["hex"], "0a0b0c");
    EXPECT_EQ(flavors[1]["type"], "TEXT");
}

// A plain-text clip keeps and pastes only its text; without text on the clipboard the box is not
// offered at all.
TEST_F(ClipScenario, PlainTextOnlyClipKeepsAndPastesOnlyItsText)
{
    RunQuietly({"clipboard", "set", "PICT=hex:0102", "utxt=text:Styled words", "styl=hex:00"});
    json added = Json({"--dialog", R"({"name": "Words", "plainText": true})", "choose", "--id", "101", "--json"});
    ASSERT_EQ(added["dialogs"].size(), 1u);
    EXPECT_EQ(added["dialogs"][0]["plainText"], false) << "unticked at first";
    EXPECT_EQ(FilesIn("Words"), (std::set<std::string>{"utxt"}));

    RunQuietly({"clipboard", "clear"});
    json pasted = Json({"--text", "", "choose", "--path", "Stashwell/Words", "--json"});
    EXPECT_EQ(pasted["document"], "Styled words");
    EXPECT_EQ(ClipboardTypes(), (std::vector<std::string>{"utxt"}));

    // A clipboard without text offers no plain-text box.
    RunQuietly({"clipboard", "set", "PICT=hex:0102"});
    json pictureOnly = Json({"--dialog", R"({"button": "cancel"})", "choose", "--id", "101", "--json"});
    ASSERT_EQ(pictureOnly["dialogs"].size(), 1u);
    EXPECT_EQ(pictureOnly["dialogs"][0]["plainTextVisible"], false);
}

TEST_F(ClipScenario, CancellingAtAnyStepStoresNothing)
{
    RunQuietly({"clipboard", "set", "TEXT=text:Not kept"});
    struct Way {
        std::vector<std::string> arguments;
        bool detached;
        const char* button;
    };
    const Way ways[] = {
        {{"--text", "Draft", "--dialog", R"({"name": "A", "button": "cancel"})", "choose", "--id", "100", "--json"}, false, "cancel"},
        {{"--text", "Draft", "--dialog", R"({"name": "B", "button": "close"})", "choose", "--id", "100", "--json"}, false, "close"},
        {{"--dialog", R"({"name": "C", "secure": false, "button": "cancel"})", "choose", "--id", "101", "--json"}, false, "cancel"},
        // No answer for the dialog and no terminal to ask on, or only alerts answered: cancelled.
        {{"--text", "Draft", "choose", "--id", "100", "--json"}, true, "cancel"},
        {{"--alert", "ok", "choose", "--id", "101", "--json"}, false, "cancel"},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(testing::PrintToString(way.arguments));
        json report = Json(way.arguments, way.detached);
        EXPECT_EQ(report["status"], 0);
        ASSERT_EQ(report["dialogs"].size(), 1u);
        EXPECT_EQ(report["dialogs"][0]["button"], way.button);
        EXPECT_TRUE(report["alerts"].empty());
    }
    EXPECT_TRUE(Packages().empty());
    std::vector<std::string> menu = MenuPaths();
    EXPECT_EQ(menu, (std::vector<std::string>{"Stashwell/Add Selected Text...", "Stashwell/Add Clipboard Content...",
                                              "Stashwell/Create New Keychain..."}));
}

// The keychain's whole life from the menu, each step in a process of its own: created, a secure
// clip stored beside a plain one, locked (only the secure clip leaves the menu), a wrong password
// refused, unlocked (it comes back), pasted, and locked again so that no key stays in the user's
// keyring.
TEST_F(ClipScenario, SecureClipLivesInTheKeychainAndIsListedOnlyWhileUnlocked)
{
    const std::string secret = "correct horse battery staple 7f3a";
    const std::string password = mFolder.Child("password");
    const std::string wrong = mFolder.Child("wrong");
    testsupport::WriteFile(password, "open sesame\n");
    testsupport::WriteFile(wrong, "open says me");
    Json({"--text", "Plain words", "--dialog", R"({"name": "Note"})", "choose", "--id", "100", "--json"});
    const std::vector<std::string> plain = {"Stashwell/Note", "Stashwell/- Note"};
    auto menuWith = [&](std::vector<std::string> head, bool withSecret) {
        head.insert(head.begin(), "Stashwell/Add Selected Text...");
        head.insert(head.end(), plain.begin(), plain.end());
        if (withSecret)
            head.insert(head.end(), {"Stashwell/Bank", "Stashwell/- Bank"});
        return head;
    };

    EXPECT_EQ(MenuPaths(), menuWith({"Stashwell/Create New Keychain..."}, false));
    json created = Json({"--password-file", password, "--text", "x", "choose", "--id", "125", "--json"});
    EXPECT_EQ(created["passwordPrompts"], 1);
    EXPECT_EQ(MenuPaths(), menuWith({"Stashwell/Lock Keychain"}, false));

    json added = Json({"--text", secret, "--dialog", R"({"name": "Bank", "secure": true})", "choose", "--id", "100", "--json"});
    ASSERT_EQ(added["dialogs"].size(), 1u);
    EXPECT_EQ(added["dialogs"][0]["button"], "ok");
    EXPECT_EQ(Packages(), (std::set<std::string>{"Note", "Stashwell.keychain"})) << "a secure clip has no package";
    EXPECT_EQ(MenuPaths(), menuWith({"Stashwell/Lock Keychain"}, true));

    Json({"--text", "x", "choose", "--path", "Stashwell/Lock Keychain", "--json"});
    EXPECT_EQ(MenuPaths(), menuWith({"Stashwell/Unlock Keychain..."}, false)) << "listed only while unlocked";

    json refused = Json({"--password-file", wrong, "--text", "x", "choose", "--id", "126", "--json"});
    EXPECT_EQ(refused["passwordPrompts"], 3) << "the same wrong answer is given three times, then the prompt is cancelled";
    EXPECT_EQ(MenuPaths(), menuWith({"Stashwell/Unlock Keychain..."}, false));

    Json({"--password-file", password, "--text", "x", "choose", "--path", "Stashwell/Unlock Keychain...", "--json"});
    json pasted = Json({"--text", "PIN: ", "choose", "--path", "Stashwell/Bank", "--json"});
    EXPECT_EQ(pasted["keystrokes"], kPasteKeystrokes);
    EXPECT_EQ(pasted["document"], secret);

    // Nothing of the user's own folders holds the secret in clear; the clipboard, which the paste
    // had to use, lives in the runtime folder that vanishes at logout.
    for (const std::string& folder : {mStorage.DataHome(), mStorage.ConfigHome()})
        EXPECT_EQ(CountFilesHolding(folder, secret), 0) << folder;
    Json({"--text", "x", "choose", "--id", "127", "--json"});
}

// A pasted secret leaves the shared clipboard a short time after, with the files it was kept in;
// something copied after it meanwhile stays.
TEST_F(ClipScenario, APastedSecretLeavesTheClipboardAndItsFiles)
{
    const std::string secret = "correct horse battery staple 7f3a";
    const std::string password = mFolder.Child("password");
    testsupport::WriteFile(password, "open sesame");
    Json({"--password-file", password, "--text", "x", "choose", "--id", "125", "--json"});
    Json({"--text", secret, "--dialog", R"({"name": "Bank", "secure": true})", "choose", "--id", "100", "--json"});
    testsupport::ScopedVariable soon("STASHWELL_CLEAR_SECRETS_AFTER", "1");
    const json pasted = Json({"--text", "x", "choose", "--path", "Stashwell/Bank", "--json"});
    EXPECT_EQ(pasted["document"], secret);
    auto flavors = [&] { return Json({"clipboard", "show", "--json"})["flavors"].size(); };
    // Far longer than the second it is given: only a secret that never leaves gets here.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (flavors() != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(flavors(), 0u) << "the secret is still on the clipboard";
    EXPECT_EQ(CountFilesHolding(mStorage.RuntimeDir(), secret), 0);

    Json({"--text", "x", "choose", "--path", "Stashwell/Bank", "--json"});
    ASSERT_EQ(Run({"clipboard", "set", "TEXT=text:theirs"}).exitStatus, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const json after = Json({"clipboard", "show", "--json"});
    ASSERT_EQ(after["flavors"].size(), 1u) << after.dump();
    EXPECT_EQ(after["flavors"][0]["hex"], "746865697273");
}

}  // namespace

// The clips folder moved to another disk and linked back by the user, and then the keychain file
// moved again and linked from the clips folder: every flow works through the links, each rewrite of
// the keychain replaces the file where it lives, and the links stay links. A link inside a package
// is still refused.
TEST_F(ClipScenario, ClipsFolderAndKeychainLinkedByTheUserAreUsedWhereTheyLive)
{
    const std::string elsewhere = mFolder.Child("other-disk");
    fs::create_directories(elsewhere + "/Stashwell");
    fs::create_directories(mStorage.DataHome());
    fs::create_directory_symlink(elsewhere + "/Stashwell", ClipsFolder());
    const std::string password = mFolder.Child("password");
    testsupport::WriteFile(password, "open sesame");
    auto noAlerts = [](const json& report) { return report["alerts"].empty(); };

    EXPECT_TRUE(noAlerts(
        Json({"--text", "Plain words", "--dialog", R"({"name": "Note"})", "choose", "--id", "100", "--json"})));
    EXPECT_EQ(Json({"--text", "x", "choose", "--path", "Stashwell/Note", "--json"})["document"], "Plain words");
    Json({"--password-file", password, "--text", "x", "choose", "--path", "Stashwell/Create New Keychain...",
          "--json"});
    EXPECT_TRUE(Contains(MenuPaths(), "Stashwell/Lock Keychain"));
    auto secureFlows = [&](const std::string& name, const std::string& secret) {
        SCOPED_TRACE(name);
        // A keychain file that moved is locked, its key gone with the old file: the add unlocks it.
        EXPECT_TRUE(noAlerts(Json({"--password-file", password, "--text", secret, "--dialog",
                                   json{{"name", name}, {"secure", true}}.dump(), "choose", "--id", "100", "--json"})));
        Json({"--text", "x", "choose", "--path", "Stashwell/Lock Keychain", "--json"});
        EXPECT_FALSE(Contains(MenuPaths(), "Stashwell/" + name));
        Json({"--password-file", password, "--text", "x", "choose", "--path", "Stashwell/Unlock Keychain...",
              "--json"});
        EXPECT_EQ(Json({"--text", "x", "choose", "--path", "Stashwell/" + name, "--json"})["document"], secret);
    };
    secureFlows("Bank", "PIN 4711");
    EXPECT_EQ(testsupport::EntryNames(elsewhere + "/Stashwell"),
              (std::set<std::string>{".stashwell-lock", "Note", "Stashwell.keychain"}));

    const std::string keychainElsewhere = mFolder.Child("keychains");
    fs::create_directories(keychainElsewhere);
    fs::rename(elsewhere + "/Stashwell/Stashwell.keychain", keychainElsewhere + "/clips.keychain");
    fs::create_symlink(keychainElsewhere + "/clips.keychain", ClipsFolder() + "/Stashwell.keychain");
    secureFlows("Card", "1234 5678");
    EXPECT_TRUE(fs::is_symlink(ClipsFolder() + "/Stashwell.keychain"));
    EXPECT_TRUE(fs::is_symlink(ClipsFolder()));
    EXPECT_EQ(testsupport::EntryNames(keychainElsewhere), std::set<std::string>{"clips.keychain"});

    for (const char* name : {"Note", "Bank", "Card"})
        EXPECT_TRUE(noAlerts(
            Json({"--option", "--text", "x", "choose", "--path", std::string("Stashwell/- ") + name, "--json"})));
    EXPECT_EQ(testsupport::EntryNames(elsewhere + "/Stashwell"),
              (std::set<std::string>{".stashwell-lock", "Stashwell.keychain"}));
    EXPECT_EQ(cliplisttest::ReadStoredClipList().size(), 0u);

    // A flavor file that is a link, in a package of the linked folder, is not pasted.
    Json({"--text", "Own words", "--dialog", R"({"name": "Trap"})", "choose", "--id", "100", "--json"});
    testsupport::WriteFile(mFolder.Child("outside"), "not a clip");
    fs::remove(elsewhere + "/Stashwell/Trap/TEXT");
    fs::create_symlink(mFolder.Child("outside"), elsewhere + "/Stashwell/Trap/TEXT");
    json refused = Json({"--text", "x", "choose", "--path", "Stashwell/Trap", "--json"});
    EXPECT_EQ(refused["document"], "x");
    EXPECT_TRUE(refused["keystrokes"].empty());
    Json({"--text", "x", "choose", "--id", "127", "--json"});
}
