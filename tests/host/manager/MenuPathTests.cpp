// Naming a command by the titles the user sees on the way to it.
#include "manager/MenuPath.h"

#include "host/support/MenuItemsForTests.h"

#include <gtest/gtest.h>

namespace {

using cmhost::FindCommandByPath;
using cmhost::kOptionHeld;
using cmhost::MenuItem;
using hosttest::AddClip;
using hosttest::Command;
using hosttest::Submenu;

// Besides the clip menu: a title holding '/' over a clip named as one elsewhere, and a second
// top-level submenu titled as one inside the first.
std::vector<MenuItem> Menu()
{
    std::vector<MenuItem> items = hosttest::ClipMenu();
    std::vector<MenuItem> slashed;
    AddClip(slashed, "Greeting", 3);
    items[0].submenu.insert(items[0].submenu.begin() + 3, Submenu("A/B", std::move(slashed)));
    items.push_back(Submenu("Work", {Command("Top-level work", 8)}));
    return items;
}

SInt32 CommandAt(const std::vector<MenuItem>& items, std::string_view path, SInt32 held = 0)
{
    const MenuItem* item = FindCommandByPath(items, path, held);
    return item ? *item->command : -1;
}

TEST(MenuPath, TitlesLeadThroughSubmenusToTheCommandShown)
{
    std::vector<MenuItem> items = Menu();
    EXPECT_EQ(CommandAt(items, "Stashwell/Add Selected Text..."), 100);
    EXPECT_EQ(CommandAt(items, "Stashwell/Greeting"), 200);
    EXPECT_EQ(CommandAt(items, "Stashwell/Work/Address"), 201);
    EXPECT_EQ(CommandAt(items, "Work/Top-level work"), 8) << "a second top-level submenu with a known name";
    EXPECT_EQ(CommandAt(items, "Stashwell/A/B/Greeting"), 203) << "a title holding '/', and a name used elsewhere";

    // The alternates are there only while Option is held, and then their main items are not.
    EXPECT_EQ(CommandAt(items, "Stashwell/- Greeting"), -1);
    EXPECT_EQ(CommandAt(items, "Stashwell/- Greeting", kOptionHeld), 2200);
    EXPECT_EQ(CommandAt(items, "Stashwell/Greeting", kOptionHeld), -1);
    EXPECT_EQ(CommandAt(items, "Stashwell/Work/- Address", kOptionHeld), 2201);
}

TEST(MenuPath, PathsThatNameNoCommand)
{
    std::vector<MenuItem> items = Menu();
    for (const char* path : {"", "Stashwell", "Stashwell/", "Stashwell/Work", "Stashwell/-", "Stashwell//Greeting",
                             "stashwell/Greeting", "Stashwell/Greeting/", "Stashwell/Greet", "Nowhere/Greeting"})
        EXPECT_EQ(CommandAt(items, path), -1) << path;
}

}  // namespace
