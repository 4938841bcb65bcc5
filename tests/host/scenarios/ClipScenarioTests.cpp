// Whole clip scenarios with the built Stashwell.plugin under cmhost, one process per menu as a user
// would meet them in different applications: a clip made from selected text in the "New Clip"
// dialog, found in the next menu, pasted, and deleted with the Option key held; plain-text-only
// clips; a dialog nobody answers; a pasted secret leaving the clipboard; a clips folder and keychain
// the user linked elsewhere, with the keychain's lock and unlock. Why a clip cannot be stored, and
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
    EXPECT_EQ(added["keystrokes"], json::array()) << "adding pastes nothing";
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

// The buttons themselves are the dialog's own tests' concern: here nobody answers the dialog, having
// no terminal to ask on, or only alerts answered.
TEST_F(ClipScenario, AnUnansweredDialogIsCancelledAndStoresNothing)
{
    RunQuietly({"clipboard", "set", "TEXT=text:Not kept"});
    const std::pair<std::vector<std::string>, bool> ways[] = {
        {{"--text", "Draft", "choose", "--id", "100", "--json"}, true},
        {{"--alert", "ok", "choose", "--id", "101", "--json"}, false},
    };
    for (const auto& [arguments, detached] : ways) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        json report = Json(arguments, detached);
        EXPECT_EQ(report["status"], 0);
        ASSERT_EQ(report["dialogs"].size(), 1u);
        EXPECT_EQ(report["dialogs"][0]["button"], "cancel");
        EXPECT_TRUE(report["alerts"].empty());
    }
    EXPECT_TRUE(Packages().empty());
    EXPECT_EQ(MenuPaths(), (std::vector<std::string>{"Stashwell/Add Selected Text...",
                                                     "Stashwell/Add Clipboard Content...",
                                                     "Stashwell/Create New Keychain..."}));
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
