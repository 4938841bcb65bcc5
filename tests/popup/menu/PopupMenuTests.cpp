// The plug-ins' command list as a Qt menu on the offscreen platform: what each list shows, and the
// Option key's alternates taking their main items' places while Alt is held, in open lists too.
#include "menu/ActionText.h"
#include "menu/MenuTracking.h"
#include "menu/OptionKey.h"
#include "menu/PopupMenu.h"

#include "host/support/MenuItemsForTests.h"
#include "popup/support/OffscreenApplication.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using cmhost::MenuItem;
using hosttest::ClipMenu;
using hosttest::Command;
using hosttest::Submenu;
using popup::PopupMenu;

// Has the submenu fill its list, as it does when it opens.
QMenu& Opened(QMenu& submenu)
{
    emit submenu.aboutToShow();
    return submenu;
}

// One line per action, nested lists indented: "Name >" for a submenu, "----" for a separator,
// "Name (disabled)" for an item that cannot be picked, with the name as it reads on the screen.
void Describe(QMenu& menu, const std::string& indent, std::vector<std::string>& lines)
{
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            lines.push_back(indent + "----");
            continue;
        }
        std::string line = indent + action->text().replace(QLatin1String("&&"), QLatin1String("&")).toStdString();
        if (action->menu() != nullptr) {
            lines.push_back(line + " >");
            Describe(Opened(*action->menu()), indent + "  ", lines);
            continue;
        }
        lines.push_back(action->isEnabled() ? line : line + " (disabled)");
    }
}

std::vector<std::string> Describe(PopupMenu& menu)
{
    std::vector<std::string> lines;
    Describe(menu.Top(), "", lines);
    return lines;
}

QAction* ActionNamed(QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
        if (action->menu() != nullptr) {
            if (QAction* found = ActionNamed(Opened(*action->menu()), text))
                return found;
        }
    }
    return nullptr;
}

class PopupMenuTests : public testing::Test {
protected:
    void SetUp() override { popuptest::OffscreenApplication(); }
};

TEST_F(PopupMenuTests, ListsShowSubmenusSeparatorsAndDisabledItemsWithAlternatesOnlyWhileOptionIsHeld)
{
    std::vector<MenuItem> items = ClipMenu();
    MenuItem noCommand;
    noCommand.name = "Keychain locked";
    items.push_back(noCommand);
    PopupMenu menu(items, false);
    const std::vector<std::string> plain = {
        "Stashwell >",  "  Add Selected Text...", "  Create New Keychain...", "  Work >", "    Address",
        "    Sign-off", "  ----",                 "  Greeting",               "Other plug-in",
        "Keychain locked (disabled)"};
    EXPECT_EQ(Describe(menu), plain);

    menu.SetOptionHeld(true);
    const std::vector<std::string> optioned = {
        "Stashwell >",    "  Add Selected Text...", "  Create New Keychain...", "  Work >", "    - Address",
        "    - Sign-off", "  ----",                 "  - Greeting",             "Other plug-in",
        "Keychain locked (disabled)"};
    EXPECT_EQ(Describe(menu), optioned);
    menu.SetOptionHeld(false);
    EXPECT_EQ(Describe(menu), plain);

    // Opened with Option already held, it starts with the alternates.
    PopupMenu held(items, true);
    EXPECT_EQ(Describe(held), optioned);
}

TEST_F(PopupMenuTests, AListIsMadeWhenItFirstOpensWithWhatTheHeldKeysCallUpThen)
{
    const std::vector<MenuItem> items = ClipMenu();
    PopupMenu menu(items, false);
    QMenu* root = menu.Top().actions().front()->menu();
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->actions().isEmpty()) << "made before it opened";
    menu.SetOptionHeld(true);
    EXPECT_NE(ActionNamed(menu.Top(), "- Greeting"), nullptr);
    menu.SetOptionHeld(false);
    EXPECT_NE(ActionNamed(menu.Top(), "Greeting"), nullptr);
    // Opening it again adds nothing.
    const qsizetype count = root->actions().size();
    Opened(*root);
    EXPECT_EQ(root->actions().size(), count);
}

TEST_F(PopupMenuTests, APickHandsOverTheCommandOfWhatTheItemShowsNow)
{
    const std::vector<MenuItem> items = ClipMenu();
    PopupMenu menu(items, false);
    QAction* greeting = ActionNamed(menu.Top(), "Greeting");
    ASSERT_NE(greeting, nullptr);
    EXPECT_EQ(menu.CommandOf(greeting), 200);
    menu.SetOptionHeld(true);
    EXPECT_EQ(menu.CommandOf(greeting), 2200) << "the same action now deletes the clip";
    EXPECT_EQ(menu.ItemOf(greeting)->name, "- Greeting");

    // Neither a submenu's title, nor a separator, nor an action of another menu is a command.
    EXPECT_EQ(menu.CommandOf(ActionNamed(menu.Top(), "Stashwell")), std::nullopt);
    EXPECT_EQ(menu.CommandOf(nullptr), std::nullopt);
    const QList<QAction*> rootActions = ActionNamed(menu.Top(), "Stashwell")->menu()->actions();
    const auto separator =
        std::find_if(rootActions.begin(), rootActions.end(), [](QAction* action) { return action->isSeparator(); });
    ASSERT_NE(separator, rootActions.end());
    EXPECT_EQ(menu.CommandOf(*separator), std::nullopt);
    PopupMenu other(items, false);
    EXPECT_EQ(menu.CommandOf(ActionNamed(other.Top(), "Other plug-in")), std::nullopt);
}

TEST_F(PopupMenuTests, NamesReadAsWrittenWithoutMnemonicsOrShortcutColumns)
{
    const std::string names[] = {"Tom & Jerry", "&Bold", "A&&B", "trailing &", "<b>not bold</b>", "Tab\there"};
    std::vector<MenuItem> items;
    SInt32 index = 0;
    for (const std::string& name : names)
        hosttest::AddClip(items, name, index++);
    PopupMenu menu(items, false);
    const QList<QAction*> actions = menu.Top().actions();
    ASSERT_EQ(actions.size(), std::ssize(names));
    for (int i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_TRUE(QKeySequence::mnemonic(actions[i]->text()).isEmpty()) << actions[i]->text().toStdString();
        EXPECT_FALSE(actions[i]->text().contains('\t')) << "a tab starts Qt's shortcut column";
    }
    std::vector<std::string> shown = Describe(menu);
    std::vector<std::string> expected(std::begin(names), std::end(names));
    expected.back() = "Tab here";
    EXPECT_EQ(shown, expected);
}

// Alt down and up, as the display delivers them to the open list, swap the alternates in every
// list; a key or a pointer move whose state no longer has Alt says it was let go of elsewhere.
TEST_F(PopupMenuTests, AltSwapsTheAlternatesOfTheOpenListsLive)
{
    const std::vector<MenuItem> items = ClipMenu();
    PopupMenu menu(items, false);
    popup::OptionKeyWatcher watcher(false, [&menu](bool held) { menu.SetOptionHeld(held); });
    QMenu& top = menu.Top();
    top.popup(QPoint(10, 10));
    QMenu* root = ActionNamed(top, "Stashwell")->menu();
    QMenu* work = ActionNamed(top, "Work")->menu();
    root->popup(QPoint(120, 10));
    work->popup(QPoint(240, 10));
    ASSERT_TRUE(work->isVisible());
    QAction* address = work->actions().front();

    struct Step {
        const char* what;
        std::function<void()> send;
        const char* addressShows;
    };
    // Each event on its own, as the display sends it (Qt Test's clicks would add Alt's own events).
    auto key = [work](QEvent::Type type, int code, Qt::KeyboardModifiers modifiers) {
        return [=] {
            QKeyEvent event(type, code, modifiers);
            QApplication::sendEvent(work, &event);
        };
    };
    const Step steps[] = {
        {"Alt down", key(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier), "- Address"},
        {"another key with Alt", key(QEvent::KeyPress, Qt::Key_Shift, Qt::AltModifier), "- Address"},
        {"Alt up", key(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier), "Address"},
        {"Alt down again", key(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier), "- Address"},
        {"a pointer move without Alt",
         [work] {
             QMouseEvent event(QEvent::MouseMove, QPointF(5, 5), work->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                               Qt::NoButton, Qt::NoModifier);
             QApplication::sendEvent(work, &event);
         },
         "Address"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.send();
        EXPECT_EQ(address->text().toStdString(), step.addressShows);
        EXPECT_EQ(watcher.Held(), menu.OptionHeld());
        // Qt's menu would have closed the list for Alt alone.
        EXPECT_TRUE(work->isVisible());
    }
    top.hide();
}

TEST_F(PopupMenuTests, AltHeldAfterReadsTheKeysOwnEventAndTheStateOfOthers)
{
    struct Case {
        const char* what;
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<bool> held;
    };
    const Case cases[] = {
        {"Alt pressed, state before it", QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier, true},
        {"Alt released, state before it", QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier, false},
        {"a key with Alt", QEvent::KeyPress, Qt::Key_Down, Qt::AltModifier, true},
        {"a key without Alt", QEvent::KeyRelease, Qt::Key_Down, Qt::ShiftModifier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QKeyEvent event(c.type, c.key, c.modifiers);
        EXPECT_EQ(popup::AltHeldAfter(event), c.held);
    }
    QEvent other(QEvent::Show);
    EXPECT_EQ(popup::AltHeldAfter(other), std::nullopt);
}

// The whole tracking as the keyboard drives it: Qt's own menu loop, left by a pick or by Escape.
TEST_F(PopupMenuTests, TrackingAnswersThePickOrNothingWhenClosed)
{
    const std::vector<MenuItem> items = ClipMenu();
    struct Case {
        const char* what;
        // Each key is pressed and let go of in the list that is open then, but Alt, which stays
        // down for the keys after it.
        std::vector<Qt::Key> keys;
        std::optional<SInt32> picked;
    };
    // The root list: Add Selected Text..., Create New Keychain..., Work, a line, Greeting.
    const Case cases[] = {
        {"the first command", {Qt::Key_Down, Qt::Key_Right, Qt::Key_Return}, 100},
        {"a clip past the line", {Qt::Key_Down, Qt::Key_Right, Qt::Key_Up, Qt::Key_Return}, 200},
        {"Escape twice", {Qt::Key_Down, Qt::Key_Right, Qt::Key_Escape, Qt::Key_Escape}, std::nullopt},
        {"the clip's alternate with Alt held", {Qt::Key_Down, Qt::Key_Right, Qt::Key_Up, Qt::Key_Alt, Qt::Key_Return},
         2200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTimer::singleShot(0, [&c] {
            Qt::KeyboardModifiers held;
            for (Qt::Key key : c.keys) {
                QWidget* open = QApplication::activePopupWidget();
                ASSERT_NE(open, nullptr);
                if (key == Qt::Key_Alt) {
                    QTest::keyPress(open, key);
                    held = Qt::AltModifier;
                } else {
                    QTest::keyClick(open, key, held);
                }
            }
        });
        EXPECT_EQ(popup::TrackMenu(items, QPoint(0, 0)), c.picked);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

}  // namespace
