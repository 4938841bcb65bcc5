// The plug-ins' command list as a Qt menu on the offscreen platform: what each list shows, and the
// Option key's alternates taking their main items' places while Alt is held, in open lists too.
#include "menu/ClipFinder.h"
#include "menu/MenuTracking.h"
#include "menu/PopupMenu.h"

#include "host/support/MenuItemsForTests.h"
#include "popup/support/OffscreenApplication.h"

#include <QKeySequence>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using cmhost::MenuItem;
using hosttest::ClipMenu;
using popup::PopupMenu;

// Has the submenu fill its list, as it does when it opens.
QMenu& Opened(QMenu& submenu)
{
    emit submenu.aboutToShow();
    return submenu;
}

// One line per action, nested lists indented, names as they read on the screen: "Name >" for a
// submenu, "----" for a line, "Name (disabled)" for an item that cannot be picked. A name that
// would give Qt a mnemonic or a shortcut column is marked "(mnemonic)" or "(tab)".
void Describe(QMenu& menu, const std::string& indent, std::vector<std::string>& lines)
{
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            lines.push_back(indent + "----");
            continue;
        }
        QString text = action->text();
        std::string line = indent + text.replace(QLatin1String("&&"), QLatin1String("&")).toStdString();
        if (!QKeySequence::mnemonic(action->text()).isEmpty())
            line += " (mnemonic)";
        if (action->text().contains('\t'))
            line += " (tab)";
        if (action->menu() != nullptr) {
            lines.push_back(line + " >");
            Describe(Opened(*action->menu()), indent + "  ", lines);
        } else {
            lines.push_back(action->isEnabled() ? line : line + " (disabled)");
        }
    }
}

std::vector<std::string> Describe(PopupMenu& menu)
{
    std::vector<std::string> lines;
    Describe(menu.Top(), "", lines);
    return lines;
}

class PopupMenuTests : public testing::Test {
protected:
    void SetUp() override { popuptest::OffscreenApplication(); }
};

TEST_F(PopupMenuTests, ListsShowSubmenusLinesDisabledItemsAndNamesAsWrittenWithAlternatesWhileOptionIsHeld)
{
    std::vector<MenuItem> items = ClipMenu();
    MenuItem noCommand;
    noCommand.name = "Keychain locked";
    items.push_back(noCommand);
    hosttest::AddClip(items, "Tom & Jerry", 3);
    hosttest::AddClip(items, "&Bold\tcolumn", 4);
    const std::vector<std::string> plain = {
        "Stashwell >",  "  Add Selected Text...", "  Create New Keychain...", "  Work >", "    Address",
        "    Sign-off", "  ----",                 "  Greeting",               "Other plug-in",
        "Keychain locked (disabled)", "Tom & Jerry", "&Bold column"};
    const std::vector<std::string> optioned = {
        "Stashwell >",    "  Add Selected Text...", "  Create New Keychain...", "  Work >", "    - Address",
        "    - Sign-off", "  ----",                 "  - Greeting",             "Other plug-in",
        "Keychain locked (disabled)", "- Tom & Jerry", "- &Bold column"};

    // The lists are made when they first open, with what the held keys call up then, and swapped
    // afterwards.
    PopupMenu menu(items, true);
    EXPECT_TRUE(menu.Top().actions().front()->menu()->actions().isEmpty()) << "made before it opened";
    EXPECT_EQ(Describe(menu), optioned);
    menu.SetOptionHeld(false);
    EXPECT_EQ(Describe(menu), plain);
    menu.SetOptionHeld(true);
    EXPECT_EQ(Describe(menu), optioned);
}

// What typing finds in every list, best first: names that start with the text, then names in which
// each word starts a word, then the rest, each in the menu's order; case and accents aside.
TEST_F(PopupMenuTests, FindingRanksTheClipsOfEveryListByHowTheirNamesMatch)
{
    std::vector<MenuItem> mail;
    hosttest::AddClip(mail, "Sign-off", 1);
    std::vector<MenuItem> work;
    hosttest::AddClip(work, "Signature", 2);
    mail.push_back(hosttest::Submenu("Work", std::move(work)));
    std::vector<MenuItem> root = {hosttest::Command("Add Selected Text...", 100),
                                  hosttest::Submenu("Mail", std::move(mail)), hosttest::Command("-", 0)};
    int index = 3;
    for (const char* name : {"Assign task", "Office sign", "CAFÉ Été", "Résumé draft", "Design notes"})
        hosttest::AddClip(root, name, index++);
    const std::vector<MenuItem> items = {hosttest::Submenu("Stashwell", std::move(root))};
    const popup::ClipFinder finder(items);

    const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
        {"sig", {"Sign-off  Mail", "Signature  Mail › Work", "Office sign  ", "Assign task  ", "Design notes  "}},
        {"OFF sign", {"Sign-off  Mail", "Office sign  "}},
        {"sign off", {"Sign-off  Mail", "Office sign  "}},
        {"cafe ete", {"CAFÉ Été  "}},
        {"resume", {"Résumé draft  "}},
        {"add", {"Add Selected Text...  "}},
        {"  ", {}},
        {"zz", {}},
    };
    for (const auto& [text, expected] : cases) {
        size_t matched = 0;
        std::vector<std::string> found;
        for (const popup::FoundEntry* entry : finder.Find(QString::fromUtf8(text), 10, &matched))
            found.push_back(entry->plain.label + "  " + entry->path.toStdString());
        EXPECT_EQ(found, expected) << text;
        EXPECT_EQ(matched, expected.size()) << text;
    }
    // At most as many as asked, the count telling how many more there are; each with its alternate.
    size_t matched = 0;
    const std::vector<const popup::FoundEntry*> two = finder.Find(QStringLiteral("s"), 2, &matched);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(matched, 7u);
    EXPECT_EQ(two[0]->optioned.label, "- Sign-off");
    EXPECT_EQ(two[0]->optioned.item->command, 2201);
}

// A long name shows its start and end about an "…", the whole name in its tooltip; picking the item
// still picks its clip. Characters are counted and cut as they are read, however they are encoded.
TEST_F(PopupMenuTests, LongNamesAreShortenedInTheMiddleAndShownWholeInTheirTooltip)
{
    const QString accented = QStringLiteral("e\u0301");  // é as a letter and its accent
    const QString emoji = QStringLiteral("\U0001F600");  // two UTF-16 code units
    const struct {
        QString name;
        QString shown;
    } cases[] = {
        {"Greeting", "Greeting"},
        {QString(60, 'a'), QString(60, 'a')},
        {QString(30, 'a') + 'b' + QString(30, 'c'), QString(30, 'a') + QChar(0x2026) + QString(29, 'c')},
        {accented.repeated(70), accented.repeated(30) + QChar(0x2026) + accented.repeated(29)},
        {emoji.repeated(61), emoji.repeated(30) + QChar(0x2026) + emoji.repeated(29)},
    };
    for (const auto& each : cases) {
        const std::string name = each.name.toStdString();
        std::vector<MenuItem> items;
        hosttest::AddClip(items, name, 1);
        items.push_back(hosttest::Submenu(name, {}));
        PopupMenu menu(items, false);
        const bool shortened = each.shown != each.name;
        QAction* clip = menu.Top().actions()[0];
        for (const QAction* action : {clip, menu.Top().actions()[1]}) {
            EXPECT_EQ(action->text().toStdString(), each.shown.toStdString());
            EXPECT_EQ(action->toolTip().toStdString(), (shortened ? each.name : each.shown).toStdString());
        }
        EXPECT_EQ(menu.CommandOf(clip), 201) << name;
    }
}

// The whole tracking as the keyboard drives it, in Qt's own menu loop: the pick is read when it
// fires, with Alt as it is then, although Qt Test lets go of Alt before the loop returns.
TEST_F(PopupMenuTests, TrackingAnswersTheCommandPickedWithAltAsItWasAtThePick)
{
    const std::vector<MenuItem> items = ClipMenu();
    // A key by its name, or the character it types.
    struct Key {
        Key(Qt::Key key) : key(key) {}
        Key(char typed) : typed(typed) {}
        Qt::Key key = Qt::Key_unknown;
        char typed = 0;
    };
    struct Case {
        const char* what;
        // Each key is pressed and let go of in the list that is open then, but Alt, which stays
        // down for the keys after it.
        std::vector<Key> keys;
        std::optional<SInt32> picked;
    };
    // The root list: Add Selected Text..., Create New Keychain..., Work, a line, Greeting.
    const Case cases[] = {
        {"a clip past the line", {Qt::Key_Down, Qt::Key_Right, Qt::Key_Up, Qt::Key_Return}, 200},
        {"the clip's alternate with Alt held", {Qt::Key_Down, Qt::Key_Right, Qt::Key_Up, Qt::Key_Alt, Qt::Key_Return},
         2200},
        // Typing finds in every list, from whichever list is open, and Enter picks the best.
        {"found by words in any order", {'o', 'f', 'f', ' ', 's', 'i', Qt::Key_Return}, 202},
        {"found from an open submenu", {Qt::Key_Down, Qt::Key_Right, 's', 'i', 'g', Qt::Key_Return}, 202},
        {"Backspace widens the finding", {'a', 'd', 'd', 'r', Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Down,
                                         Qt::Key_Return}, 201},
        {"Alt turns what was found into delete items", {'g', 'r', 'e', Qt::Key_Alt, Qt::Key_Return}, 2200},
        {"Escape clears the finding, the next closes", {'g', 'r', 'e', Qt::Key_Escape, Qt::Key_Escape}, std::nullopt},
        {"Escape gives the whole list back", {'g', 'r', 'e', Qt::Key_Escape, Qt::Key_Down, Qt::Key_Right,
                                              Qt::Key_Return}, 100},
        {"nothing found, nothing picked", {'z', 'z', Qt::Key_Return, Qt::Key_Escape, Qt::Key_Escape}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTimer::singleShot(0, [&c] {
            Qt::KeyboardModifiers held;
            for (const Key& key : c.keys) {
                QWidget* open = QApplication::activePopupWidget();
                ASSERT_NE(open, nullptr);
                if (key.typed != 0) {
                    QTest::keyClick(open, key.typed, held);
                } else if (key.key == Qt::Key_Alt) {
                    QTest::keyPress(open, key.key);
                    held = Qt::AltModifier;
                } else {
                    QTest::keyClick(open, key.key, held);
                }
            }
        });
        EXPECT_EQ(popup::TrackMenu(items, QPoint(0, 0)), c.picked);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

}  // namespace
