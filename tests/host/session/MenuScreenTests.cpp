// The menu as drawn on the terminal: where each open list stands, what is highlighted, and what
// gives way when the terminal is small.
#include "session/MenuScreen.h"

#include "host/support/MenuItemsForTests.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using cmhost::MenuColumnLines;
using cmhost::MenuItem;
using cmhost::MenuNavigator;
using hosttest::AddClip;
using hosttest::Command;
using hosttest::Submenu;

std::string Plain(const std::string& styled)
{
    return std::regex_replace(styled, std::regex("\x1b\\[[0-9;?]*[A-Za-z]"), "");
}

std::vector<std::string> PlainLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> plain;
    // What a reader sees: the trailing blanks of a highlight bar do not count.
    for (const std::string& line : lines) {
        plain.push_back(Plain(line));
        while (!plain.back().empty() && plain.back().back() == ' ')
            plain.back().pop_back();
    }
    return plain;
}

std::vector<MenuItem> Menu()
{
    std::vector<MenuItem> work;
    AddClip(work, "Address", 1);
    std::vector<MenuItem> root = {Command("Add Selected Text...", 100), Command("-", 0),
                                  Submenu("Work", std::move(work))};
    AddClip(root, "Gr\xC3\xA9\x65ting", 0);
    return {Command("Other", 7), Submenu("Stashwell", std::move(root))};
}

TEST(MenuScreen, EachSubmenuStartsLevelWithTheItemThatOpenedIt)
{
    std::vector<MenuItem> items = Menu();
    MenuNavigator navigator(items, false);
    navigator.MoveDown();
    navigator.OpenSubmenu();
    navigator.MoveDown();
    navigator.OpenSubmenu();
    std::vector<std::string> lines = PlainLines(MenuColumnLines(navigator, 200));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], " Other");
    // The accented name takes as many columns as it has characters, so the columns stay aligned.
    EXPECT_EQ(lines[1], " Stashwell >   Add Selected Text...");
    EXPECT_EQ(lines[2], "              " + std::string(" ") + [] {
        std::string line;
        for (int i = 0; i < 22; ++i)
            line += "\u2500";
        return line;
    }());
    EXPECT_EQ(lines[3], "               Work                 >   Address");
    EXPECT_EQ(lines[4], "               Gr\xC3\xA9\x65ting");
    EXPECT_EQ(cmhost::DisplayWidth("Gr\xC3\xA9\x65ting"), 8u);

    // Only the innermost highlight is in reverse video; the path to it is in bold.
    std::vector<std::string> styled = MenuColumnLines(navigator, 200);
    EXPECT_NE(styled[3].find("\x1b[7m Address"), std::string::npos) << styled[3];
    EXPECT_NE(styled[3].find("\x1b[1m Work"), std::string::npos) << styled[3];
    EXPECT_NE(styled[1].find("\x1b[1m Stashwell"), std::string::npos) << styled[1];
}

TEST(MenuScreen, OuterListsGiveWayOnANarrowTerminal)
{
    std::vector<MenuItem> items = Menu();
    MenuNavigator navigator(items, true);
    navigator.MoveDown();
    navigator.OpenSubmenu();
    std::vector<std::string> lines = PlainLines(MenuColumnLines(navigator, 30));
    ASSERT_FALSE(lines.empty());
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("Stashwell"), std::string::npos) << line;
        EXPECT_LE(cmhost::DisplayWidth(line), 30u) << line;
    }
    EXPECT_EQ(lines.back(), " - Gr\xC3\xA9\x65ting") << "Option is held";
}

TEST(MenuScreen, ALongDocumentIsCutSoTheMenuStaysOnTheScreen)
{
    std::vector<MenuItem> items = Menu();
    MenuNavigator navigator(items, false);
    cmhost::Document document;
    for (int i = 0; i < 100; ++i)
        document.text += "line " + std::to_string(i) + "\n";
    std::string frame = Plain(cmhost::MenuScreenFrame(document, navigator, -1704, cmhost::ScreenSize{80, 24}));
    size_t lines = static_cast<size_t>(std::count(frame.begin(), frame.end(), '\n'));
    EXPECT_LE(lines, 24u) << frame;
    EXPECT_NE(frame.find(" Stashwell >"), std::string::npos);
    EXPECT_NE(frame.find("more lines"), std::string::npos);
    EXPECT_NE(frame.find("ExamineContext answered -1704"), std::string::npos);
    EXPECT_NE(frame.find("hold/release Option (not held)"), std::string::npos);
}

TEST(MenuScreen, TheFrameSaysWhereAPasteLands)
{
    std::vector<MenuItem> items = Menu();
    MenuNavigator navigator(items, false);
    struct Case {
        size_t start, length;
        const char* expected;
    };
    // "Dear J\xC3\xB6hn,\nThanks" : the o with diaeresis is two bytes and one column.
    const Case cases[] = {
        {0, 11, "Selected: \"Dear J\xC3\xB6hn,\""},
        {5, 12, "Selected: \"J\xC3\xB6hn, \u2026\""},
        {11, 0, "Nothing selected: a paste goes in at line 1, column 11"},
        {12, 0, "Nothing selected: a paste goes in at line 2, column 1"},
        {18, 0, "Nothing selected: a paste goes in at line 2, column 7"},
    };
    for (const Case& c : cases) {
        cmhost::Document document{"Dear J\xC3\xB6hn,\nThanks", "", c.start, c.length};
        std::string frame = Plain(cmhost::MenuScreenFrame(document, navigator, noErr, cmhost::ScreenSize{80, 24}));
        EXPECT_NE(frame.find(std::string("\n  ") + c.expected + "\n"), std::string::npos) << c.expected << "\n" << frame;
    }
}

}  // namespace
