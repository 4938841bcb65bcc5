// Which records the user sees, and as what, with and without the Option key held.
#include "manager/MenuEntries.h"

#include "host/support/MenuItemsForTests.h"

#include <gtest/gtest.h>

namespace {

using cmhost::EntryKind;
using cmhost::kOptionHeld;
using cmhost::MenuEntry;
using cmhost::MenuItem;
using cmhost::VisibleEntries;
using hosttest::AddClip;
using hosttest::Command;
using hosttest::kAlternateAttributes;
using hosttest::kMainAttributes;
using hosttest::Submenu;

std::vector<std::string> Labels(const std::vector<MenuEntry>& entries)
{
    std::vector<std::string> labels;
    for (const MenuEntry& entry : entries)
        labels.push_back(entry.label);
    return labels;
}

std::vector<SInt32> Commands(const std::vector<MenuEntry>& entries)
{
    std::vector<SInt32> commands;
    for (const MenuEntry& entry : entries)
        commands.push_back(entry.item->command.value_or(-1));
    return commands;
}

TEST(MenuEntries, ClipAlternatesReplaceTheirMainItemsOnlyWhileOptionIsHeld)
{
    std::vector<MenuItem> items = {Command("Add Selected Text...", 100), Command("-", 0)};
    AddClip(items, "Greeting", 0);
    AddClip(items, "Address", 1);

    std::vector<MenuEntry> released = VisibleEntries(items, 0);
    EXPECT_EQ(Labels(released), (std::vector<std::string>{"Add Selected Text...", "-", "Greeting", "Address"}));
    EXPECT_EQ(Commands(released), (std::vector<SInt32>{100, 0, 200, 201}));
    EXPECT_EQ(released[1].kind, EntryKind::Separator);

    // Each alternate stands in for its own main item only: the second clip's main item starts a
    // group of its own, so the first alternate does not swallow it.
    std::vector<MenuEntry> held = VisibleEntries(items, kOptionHeld);
    EXPECT_EQ(Labels(held), (std::vector<std::string>{"Add Selected Text...", "-", "- Greeting", "- Address"}));
    EXPECT_EQ(Commands(held), (std::vector<SInt32>{100, 0, 2200, 2201}));
    EXPECT_EQ(held[2].kind, EntryKind::Command);

    // Other keys held without Option call up nothing.
    EXPECT_EQ(Commands(VisibleEntries(items, kMenuShiftModifier)), (std::vector<SInt32>{100, 0, 200, 201}));
}

TEST(MenuEntries, AnAlternateNeedsADynamicItemJustBeforeIt)
{
    const SInt32 dynamicOnly = kMenuItemAttrDynamic;
    std::vector<MenuItem> items = {
        // Not dynamic: the alternate after it has nothing to stand in for and shows as itself.
        Command("Plain", 1),
        Command("Orphan", 2, dynamicOnly, kMenuOptionModifier),
        // Marked as not an alternate of what precedes it, although that is dynamic.
        Command("Base", 3, dynamicOnly),
        Command("Own group", 4, dynamicOnly | kMenuItemAttrNotPreviousAlternate, kMenuOptionModifier),
        // A submenu between a dynamic item and its would-be alternate breaks the group.
        Command("Before", 5, dynamicOnly),
        Submenu("Sub", {}),
        Command("After", 6, dynamicOnly, kMenuOptionModifier),
        // Modifier bits without the dynamic attribute make no alternate.
        Command("Dynamic", 7, dynamicOnly),
        Command("Not dynamic", 8, 0, kMenuOptionModifier),
        // The separator record has no attributes, so it closes the group of the item before it.
        Command("Main", 9, kMainAttributes),
        Command("-", 0),
        Command("Stray", 10, kAlternateAttributes, kMenuOptionModifier),
    };
    const std::vector<SInt32> all = {1, 2, 3, 4, 5, -1, 6, 7, 8, 9, 0, 10};
    EXPECT_EQ(Commands(VisibleEntries(items, 0)), all);
    EXPECT_EQ(Commands(VisibleEntries(items, kOptionHeld)), all);
}

TEST(MenuEntries, SeveralAlternatesInOneGroupNeedAllTheirKeys)
{
    const SInt32 dynamicOnly = kMenuItemAttrDynamic;
    std::vector<MenuItem> items = {
        Command("Main", 10, dynamicOnly),
        Command("With Option", 11, dynamicOnly, kMenuOptionModifier),
        Command("With Option and Shift", 12, dynamicOnly, kMenuOptionModifier | kMenuShiftModifier),
        Command("Next", 13),
    };
    EXPECT_EQ(Commands(VisibleEntries(items, 0)), (std::vector<SInt32>{10, 13}));
    EXPECT_EQ(Commands(VisibleEntries(items, kOptionHeld)), (std::vector<SInt32>{11, 13}));
    EXPECT_EQ(Commands(VisibleEntries(items, kMenuShiftModifier)), (std::vector<SInt32>{10, 13}));
    EXPECT_EQ(Commands(VisibleEntries(items, kOptionHeld | kMenuShiftModifier)), (std::vector<SInt32>{12, 13}));
}

TEST(MenuEntries, SeparatorsDisabledItemsAndUnreadableNames)
{
    MenuItem unnamed;
    unnamed.nameType = 'bogu';
    unnamed.command = 9;
    MenuItem noCommand;
    noCommand.name = "No id";
    std::vector<MenuItem> items = {
        Command("-", 0),
        // A clip named "-" is shown as written, thanks to the ignore-meta attribute.
        Command("-", 200, kMainAttributes),
        Command("-", 0, kMenuItemAttrDynamic),
        unnamed,
        noCommand,
        Submenu("-", {}),
    };
    std::vector<MenuEntry> entries = VisibleEntries(items, 0);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].kind, EntryKind::Separator);
    EXPECT_EQ(entries[1].kind, EntryKind::Command);
    EXPECT_EQ(entries[1].label, "-");
    EXPECT_EQ(entries[2].kind, EntryKind::Separator) << "only ignore-meta keeps a \"-\" from being a line";
    EXPECT_EQ(entries[3].kind, EntryKind::Command);
    EXPECT_EQ(entries[3].label, "(unreadable name)");
    EXPECT_EQ(entries[4].kind, EntryKind::Disabled);
    EXPECT_EQ(entries[5].kind, EntryKind::Submenu) << "a submenu titled \"-\" still opens";
}

}  // namespace
