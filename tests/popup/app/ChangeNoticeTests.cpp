// What a pick changed, told from the menu before it and the menu examined again after it.
#include "app/ChangeNotice.h"

#include "host/support/MenuItemsForTests.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using cmhost::MenuItem;
using hosttest::AddClip;
using hosttest::Command;
using hosttest::Submenu;

// A plug-in's menu as it writes it: the keychain command, the clips at the top, then the Mail
// submenu with its own, and another plug-in's command after it. Clips are numbered in that order.
std::vector<MenuItem> Menu(const std::string& keychain, const std::vector<std::string>& top,
                           const std::vector<std::string>& mail)
{
    std::vector<MenuItem> root = {Command("Add Selected Text...", 100), Command(keychain, 125)};
    SInt32 index = 0;
    for (const std::string& name : top)
        AddClip(root, name, index++);
    std::vector<MenuItem> inMail;
    for (const std::string& name : mail)
        AddClip(inMail, name, index++);
    root.push_back(Submenu("Mail", {Submenu("Work", {}), Submenu("Home", std::move(inMail))}));
    return {Submenu("Stashwell", std::move(root)), Command("Other plug-in", 7)};
}

TEST(ChangeNotice, TellsTheClipsStoredAndDeletedAndWhatBecameOfTheKeychain)
{
    const std::string create = "Create New Keychain...";
    const std::string lock = "Lock Keychain";
    const std::string unlock = "Unlock Keychain...";
    struct Case {
        const char* what;
        std::vector<MenuItem> before;
        std::vector<MenuItem> after;
        std::vector<std::string> told;
    };
    const Case cases[] = {
        {"stored in a submenu", Menu(create, {"Greeting"}, {}), Menu(create, {"Greeting"}, {"Sign-off"}),
         {"Stored “Sign-off” in Mail › Home"}},
        {"stored at the top, a name there twice", Menu(create, {"Greeting"}, {"Greeting"}),
         Menu(create, {"Greeting", "Greeting"}, {"Greeting"}), {"Stored “Greeting”"}},
        {"deleted: the others' ids move, their names do not count", Menu(create, {"Greeting", "Hi"}, {"Sign-off", "Bye"}),
         Menu(create, {"Hi"}, {"Sign-off", "Bye"}), {"Deleted “Greeting”"}},
        {"created, with a clip stored in it", Menu(create, {"Greeting"}, {}), Menu(lock, {"Greeting", "PIN"}, {}),
         {"Keychain created", "Stored “PIN”"}},
        {"locked: its clips are hidden, not deleted", Menu(lock, {"Greeting", "PIN"}, {}), Menu(unlock, {"Greeting"}, {}),
         {"Keychain locked"}},
        {"unlocked: its clips are listed, not stored", Menu(unlock, {"Greeting"}, {}), Menu(lock, {"Greeting", "PIN"}, {}),
         {"Keychain unlocked"}},
        {"a paste, whose clip is now on the clipboard", Menu(lock, {"Greeting"}, {"Sign-off"}),
         [&] {
             std::vector<MenuItem> after = Menu(lock, {"Greeting"}, {"Sign-off"});
             after[0].submenu.insert(after[0].submenu.begin() + 1, Command("Add Clipboard Content...", 101));
             return after;
         }(),
         {}},
        {"the same clips in another order, every id changed", Menu(lock, {"A", "B"}, {"C", "D"}),
         Menu(lock, {"B", "A"}, {"D", "C"}), {}},
        {"a clip of the same name in another submenu", Menu(lock, {"A"}, {}), Menu(lock, {"A"}, {"A"}),
         {"Stored “A” in Mail › Home"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(popup::ChangeSentences(c.before, c.after), c.told);
    }
}

}  // namespace
