// Tracking a menu with the keyboard: moves that skip what cannot be picked, opening and closing
// submenus, picking, cancelling, and holding Option while a submenu is open.
#include "session/MenuNavigator.h"

#include "host/support/MenuItemsForTests.h"

#include <gtest/gtest.h>

namespace {

using cmhost::MenuItem;
using cmhost::MenuKey;
using cmhost::MenuNavigator;
using Kind = cmhost::MenuNavigator::Outcome::Kind;
using hosttest::ClipMenu;
using hosttest::Command;
using hosttest::Submenu;

std::string HighlightedLabel(const MenuNavigator& navigator)
{
    return navigator.Highlighted() ? navigator.Highlighted()->label : "(none)";
}

TEST(MenuNavigator, MovesSkipSeparatorsAndStopAtTheEnds)
{
    std::vector<MenuItem> items = {Command("-", 0), Command("First", 1), Command("-", 0),
                                   Command("-", 0), Command("Second", 2), Command("-", 0)};
    MenuNavigator navigator(items, false);
    EXPECT_EQ(HighlightedLabel(navigator), "First") << "a leading separator is never highlighted";
    EXPECT_FALSE(navigator.MoveUp());
    EXPECT_TRUE(navigator.MoveDown());
    EXPECT_EQ(navigator.Levels().back().highlight, 4);
    EXPECT_FALSE(navigator.MoveDown()) << "only a separator is left below";
    EXPECT_EQ(HighlightedLabel(navigator), "Second");
    EXPECT_TRUE(navigator.MoveUp());
    EXPECT_EQ(HighlightedLabel(navigator), "First");
}

TEST(MenuNavigator, SubmenusOpenWithRightOrEnterAndCloseWithLeftOrEscape)
{
    std::vector<MenuItem> items = ClipMenu();
    MenuNavigator navigator(items, false);
    EXPECT_EQ(navigator.Press(MenuKey::Right).kind, Kind::Tracking);
    ASSERT_EQ(navigator.Levels().size(), 2u);
    EXPECT_EQ(HighlightedLabel(navigator), "Add Selected Text...");

    navigator.Press(MenuKey::Down);
    navigator.Press(MenuKey::Down);
    EXPECT_EQ(HighlightedLabel(navigator), "Work");
    navigator.Press(MenuKey::Enter);
    ASSERT_EQ(navigator.Levels().size(), 3u);
    EXPECT_EQ(HighlightedLabel(navigator), "Address");
    // Right on a command does nothing.
    navigator.Press(MenuKey::Right);
    EXPECT_EQ(navigator.Levels().size(), 3u);

    EXPECT_EQ(navigator.Press(MenuKey::Left).kind, Kind::Tracking);
    EXPECT_EQ(navigator.Levels().size(), 2u);
    EXPECT_EQ(HighlightedLabel(navigator), "Work") << "the highlight is where it was before the submenu opened";
    EXPECT_EQ(navigator.Press(MenuKey::Escape).kind, Kind::Tracking);
    EXPECT_EQ(navigator.Levels().size(), 1u);
    // Left at the top level leaves the menu open; Escape there cancels it.
    EXPECT_EQ(navigator.Press(MenuKey::Left).kind, Kind::Tracking);
    EXPECT_EQ(navigator.Press(MenuKey::Escape).kind, Kind::Cancelled);
}

TEST(MenuNavigator, EnterPicksTheCommandShownAndQuitCancelsAtAnyDepth)
{
    std::vector<MenuItem> items = ClipMenu();
    MenuNavigator navigator(items, false);
    for (MenuKey key : {MenuKey::Enter, MenuKey::Down, MenuKey::Down, MenuKey::Down})
        navigator.Press(key);
    EXPECT_EQ(HighlightedLabel(navigator), "Greeting") << "the separator before it was skipped";
    MenuNavigator::Outcome picked = navigator.Press(MenuKey::Enter);
    ASSERT_EQ(picked.kind, Kind::Picked);
    EXPECT_EQ(picked.picked->command, 200);

    navigator.Press(MenuKey::ToggleOption);
    picked = navigator.Press(MenuKey::Enter);
    ASSERT_EQ(picked.kind, Kind::Picked);
    EXPECT_EQ(picked.picked->command, 2200);
    EXPECT_EQ(*picked.picked->name, "- Greeting");

    navigator.Press(MenuKey::Up);
    navigator.Press(MenuKey::Enter);
    EXPECT_EQ(navigator.Levels().size(), 3u);
    EXPECT_EQ(navigator.Press(MenuKey::Quit).kind, Kind::Cancelled);
}

TEST(MenuNavigator, HoldingOptionSwapsTheAlternatesInEveryOpenList)
{
    std::vector<MenuItem> items = ClipMenu();
    MenuNavigator navigator(items, false);
    for (MenuKey key : {MenuKey::Right, MenuKey::Down, MenuKey::Down, MenuKey::Right, MenuKey::Down})
        navigator.Press(key);
    EXPECT_EQ(HighlightedLabel(navigator), "Sign-off");

    navigator.SetOptionHeld(true);
    EXPECT_TRUE(navigator.OptionHeld());
    ASSERT_EQ(navigator.Levels().size(), 3u) << "the open submenus stay open";
    EXPECT_EQ(HighlightedLabel(navigator), "- Sign-off") << "the highlight stays on the same line";
    EXPECT_EQ(navigator.Levels()[1].entries.back().label, "- Greeting") << "the outer list is swapped too";

    navigator.Press(MenuKey::ToggleOption);
    EXPECT_FALSE(navigator.OptionHeld());
    EXPECT_EQ(HighlightedLabel(navigator), "Sign-off");
    EXPECT_EQ(navigator.Levels()[1].entries.back().label, "Greeting");

    // Holding Option from the start: the alternates are there when a submenu first opens.
    MenuNavigator held(items, true);
    held.Press(MenuKey::Right);
    EXPECT_EQ(held.Levels()[1].entries.back().label, "- Greeting");
}

TEST(MenuNavigator, EmptyListsAndAnAlternateThatCannotBePicked)
{
    std::vector<MenuItem> empty;
    MenuNavigator nothing(empty, false);
    EXPECT_EQ(nothing.Highlighted(), nullptr);
    EXPECT_EQ(nothing.Press(MenuKey::Enter).kind, Kind::Tracking);
    EXPECT_FALSE(nothing.MoveDown());
    EXPECT_EQ(nothing.Press(MenuKey::Escape).kind, Kind::Cancelled);

    std::vector<MenuItem> items = {Submenu("Empty", {}), Command("Main", 1, kMenuItemAttrDynamic),
                                   Command("Last", 3)};
    MenuItem alternate = Command("No id", 0, kMenuItemAttrDynamic, kMenuOptionModifier);
    alternate.command.reset();
    items.insert(items.begin() + 2, alternate);
    MenuNavigator navigator(items, false);
    navigator.Press(MenuKey::Enter);
    ASSERT_EQ(navigator.Levels().size(), 2u) << "an empty submenu opens, showing that it is empty";
    EXPECT_EQ(navigator.Highlighted(), nullptr);
    EXPECT_EQ(navigator.Press(MenuKey::Enter).kind, Kind::Tracking);
    navigator.Press(MenuKey::Left);
    navigator.Press(MenuKey::Down);
    EXPECT_EQ(HighlightedLabel(navigator), "Main");
    // Its alternate has no command id: the highlight moves to the next item that can be picked.
    navigator.SetOptionHeld(true);
    EXPECT_EQ(HighlightedLabel(navigator), "Last");
    MenuNavigator::Outcome picked = navigator.Press(MenuKey::Enter);
    ASSERT_EQ(picked.kind, Kind::Picked);
    EXPECT_EQ(picked.picked->command, 3);
}

}  // namespace
