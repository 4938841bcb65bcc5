// The printed forms of a menu: the JSON layout scripts read, and the text a person reads.
#include "manager/MenuPrinter.h"

#include "host/support/MenuItemsForTests.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using cmhost::FormatMenuJson;
using cmhost::FormatMenuText;
using cmhost::MenuItem;
using hosttest::Command;
using hosttest::Submenu;
using nlohmann::json;

TEST(MenuPrinter, JsonEscapesNamesAndShowsUnreadableOnesAsNull)
{
    MenuItem unreadable = Command("", 2);
    unreadable.name.reset();
    unreadable.nameType = typeUnicodeText;
    MenuItem empty = Command("", 3);
    empty.nameType = typeChar;
    const std::vector<MenuItem> items = {Command("Say \"hi\"\\\n\xC3\xA9", 1), unreadable, empty, Submenu("Empty", {})};

    json menu = json::parse(FormatMenuJson(0, items, {}));
    ASSERT_EQ(menu["items"].size(), 4u);
    EXPECT_EQ(menu["items"][0]["name"], "Say \"hi\"\\\n\xC3\xA9");
    EXPECT_TRUE(menu["items"][1]["name"].is_null());
    EXPECT_EQ(menu["items"][1]["nameType"], "utxt");
    EXPECT_EQ(menu["items"][2]["name"], "");
    EXPECT_EQ(menu["items"][2]["nameType"], "TEXT");
    EXPECT_EQ(menu["items"][3]["submenu"], json::array());
}

TEST(MenuPrinter, EmptyMenu)
{
    EXPECT_EQ(FormatMenuJson(0, {}, {}), "{\"status\": 0,\n \"items\": [],\n \"warnings\": []}\n");
    EXPECT_EQ(FormatMenuText(0, {}), "(the menu is empty)\n");
}

TEST(MenuPrinter, TextIndentsSubmenusAndDrawsSeparators)
{
    const std::vector<MenuItem> items = {
        Submenu("Stashwell", {Command("Greeting", 200, kMenuItemAttrDynamic),
                              Command("- Greeting", 2200, kMenuItemAttrDynamic, kMenuOptionModifier)}),
        Command("-", 0),
        // A clip really named "-" keeps its name: kMenuItemAttrIgnoreMeta.
        Command("-", 201, kMenuItemAttrIgnoreMeta),
    };
    EXPECT_EQ(FormatMenuText(-1704, items),
              "Stashwell >\n"
              "  Greeting  [200]\n"
              "  - Greeting  [2200]  (replaces the item above while Option is held)\n"
              "----------\n"
              "-  [201]\n"
              "ExamineContext answered -1704\n");
}

}  // namespace
