// The bytes terminals send for the keys the menu uses, alone and run together in one read.
#include "KeyDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using cmhost::DecodeKey;
using cmhost::MenuKey;

std::vector<MenuKey> DecodeAll(const std::string& bytes)
{
    std::vector<MenuKey> keys;
    for (size_t at = 0; at < bytes.size();) {
        size_t used = 0;
        keys.push_back(DecodeKey(std::string_view(bytes).substr(at), &used));
        EXPECT_GT(used, 0u);
        at += used;
    }
    return keys;
}

TEST(KeyDecoder, ArrowsInBothCursorModes)
{
    EXPECT_EQ(DecodeAll("\x1b[A\x1b[B\x1b[C\x1b[D"),
              (std::vector<MenuKey>{MenuKey::Up, MenuKey::Down, MenuKey::Right, MenuKey::Left}));
    EXPECT_EQ(DecodeAll("\x1bOA\x1bOB\x1bOC\x1bOD"),
              (std::vector<MenuKey>{MenuKey::Up, MenuKey::Down, MenuKey::Right, MenuKey::Left}));
}

TEST(KeyDecoder, EscapeAloneAndSequencesTheMenuDoesNotUse)
{
    EXPECT_EQ(DecodeAll("\x1b"), (std::vector<MenuKey>{MenuKey::Escape}));
    EXPECT_EQ(DecodeAll("\x1b\x1b[A"), (std::vector<MenuKey>{MenuKey::Escape, MenuKey::Up}));
    // Shift+Up, Delete and F5 are taken whole and ignored; they do not leak letters that move.
    EXPECT_EQ(DecodeAll("\x1b[1;2A\x1b[3~\x1b[15~j"),
              (std::vector<MenuKey>{MenuKey::Other, MenuKey::Other, MenuKey::Other, MenuKey::Down}));
    // Alt+q is not q, and a sequence cut off at the end of the read is dropped whole.
    EXPECT_EQ(DecodeAll("\x1bq"), (std::vector<MenuKey>{MenuKey::Other}));
    EXPECT_EQ(DecodeAll("\x1b[1;"), (std::vector<MenuKey>{MenuKey::Other}));
}

TEST(KeyDecoder, LettersAndControlKeys)
{
    EXPECT_EQ(DecodeAll("\r\n\tooqQ\x03kjlhx"),
              (std::vector<MenuKey>{MenuKey::Enter, MenuKey::Enter, MenuKey::ToggleOption, MenuKey::ToggleOption,
                                    MenuKey::ToggleOption, MenuKey::Quit, MenuKey::Quit, MenuKey::Quit, MenuKey::Up,
                                    MenuKey::Down, MenuKey::Right, MenuKey::Left, MenuKey::Other}));
}

}  // namespace
