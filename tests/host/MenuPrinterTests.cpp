// The printed forms of a menu read from hand-built command lists.
#include "MenuPrinter.h"

#include "MenuReader.h"
#include "MenuRecordBuilder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using cmhost::FormatMenuJson;
using cmhost::FormatMenuText;
using cmhost::MenuItem;
using cmhost::ReadMenuItems;
using cmhost::ScopedAEDesc;
using hosttest::MenuRecordBuilder;
using hosttest::NewList;

// The Stashwell root submenu with a command, a separator, a clip and its alternate.
std::vector<MenuItem> ReadSampleMenu()
{
    ScopedAEDesc inner = NewList();
    MenuRecordBuilder().CFStringName("Add Clipboard Content...").Command(101).AppendTo(inner.Mutable());
    MenuRecordBuilder().CFStringName("-").Command(0).AppendTo(inner.Mutable());
    MenuRecordBuilder()
        .CFStringName("Greeting")
        .Command(200)
        .Long(keyContextualMenuAttributes, 280)
        .AppendTo(inner.Mutable());
    MenuRecordBuilder()
        .CFStringName("- Greeting")
        .Command(2200)
        .Long(keyContextualMenuAttributes, 264)
        .Long(keyContextualMenuModifiers, 2)
        .AppendTo(inner.Mutable());
    ScopedAEDesc list = NewList();
    MenuRecordBuilder().UnicodeName(u"Stashwell").Submenu(inner.Get()).AppendTo(list.Mutable());
    return ReadMenuItems(list.Get());
}

TEST(MenuPrinter, JsonHasTheDocumentedLayout)
{
    EXPECT_EQ(FormatMenuJson(-50, ReadSampleMenu()),
              "{\"status\": -50,\n"
              " \"items\": [\n"
              "   {\"name\": \"Stashwell\", \"nameType\": \"utxt\", \"submenu\": [\n"
              "      {\"name\": \"Add Clipboard Content...\", \"nameType\": \"cfst\", \"command\": 101},\n"
              "      {\"name\": \"-\", \"nameType\": \"cfst\", \"command\": 0},\n"
              "      {\"name\": \"Greeting\", \"nameType\": \"cfst\", \"command\": 200, \"attributes\": 280},\n"
              "      {\"name\": \"- Greeting\", \"nameType\": \"cfst\", \"command\": 2200, \"attributes\": 264, "
              "\"modifiers\": 2}]}]}\n");
}

TEST(MenuPrinter, JsonEscapesNamesAndShowsUnreadableOnesAsNull)
{
    ScopedAEDesc list = NewList();
    MenuRecordBuilder().CFStringName("Say \"hi\"\\\n\xC3\xA9").Command(1).AppendTo(list.Mutable());
    MenuRecordBuilder().RawName(typeUnicodeText, "x", 1).Command(2).AppendTo(list.Mutable());
    MenuRecordBuilder().CharName("").Command(3).AppendTo(list.Mutable());
    MenuRecordBuilder().UnicodeName(u"Empty").Submenu(NewList().Get()).AppendTo(list.Mutable());

    nlohmann::json menu = nlohmann::json::parse(FormatMenuJson(0, ReadMenuItems(list.Get())));
    ASSERT_EQ(menu["items"].size(), 4u);
    EXPECT_EQ(menu["items"][0]["name"], "Say \"hi\"\\\n\xC3\xA9");
    EXPECT_TRUE(menu["items"][1]["name"].is_null());
    EXPECT_EQ(menu["items"][1]["nameType"], "utxt");
    EXPECT_EQ(menu["items"][2]["name"], "");
    EXPECT_EQ(menu["items"][2]["nameType"], "TEXT");
    EXPECT_TRUE(menu["items"][3]["submenu"].is_array());
    EXPECT_TRUE(menu["items"][3]["submenu"].empty());
}

TEST(MenuPrinter, EmptyMenu)
{
    EXPECT_EQ(FormatMenuJson(0, {}), "{\"status\": 0,\n \"items\": []}\n");
    EXPECT_EQ(FormatMenuText(0, {}), "(the menu is empty)\n");
}

TEST(MenuPrinter, TextIndentsSubmenusAndDrawsSeparators)
{
    ScopedAEDesc list = NewList();
    ScopedAEDesc inner = NewList();
    MenuRecordBuilder().CFStringName("Greeting").Command(200).Long(keyContextualMenuAttributes, 8).AppendTo(
        inner.Mutable());
    MenuRecordBuilder()
        .CFStringName("- Greeting")
        .Command(2200)
        .Long(keyContextualMenuAttributes, 8)
        .Long(keyContextualMenuModifiers, kMenuOptionModifier)
        .AppendTo(inner.Mutable());
    MenuRecordBuilder().UnicodeName(u"Stashwell").Submenu(inner.Get()).AppendTo(list.Mutable());
    MenuRecordBuilder().CFStringName("-").Command(0).AppendTo(list.Mutable());
    // A clip really named "-" keeps its name: kMenuItemAttrIgnoreMeta.
    MenuRecordBuilder().CFStringName("-").Command(201).Long(keyContextualMenuAttributes, 256).AppendTo(
        list.Mutable());

    EXPECT_EQ(FormatMenuText(-1704, ReadMenuItems(list.Get())),
              "Stashwell >\n"
              "  Greeting  [200]\n"
              "  - Greeting  [2200]  (replaces the item above while Option is held)\n"
              "----------\n"
              "-  [201]\n"
              "ExamineContext answered -1704\n");
}

}  // namespace
