// The bytes terminals send for the keys the menu uses, alone and run together in one read.
#include "terminal/KeyDecoder.h"

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

TEST(KeyDecoder, KeysAloneAndRunTogether)
{
    using enum MenuKey;
    const std::pair<std::string, std::vector<MenuKey>> cases[] = {
        // Arrows in both cursor modes.
        {"\x1b[A\x1b[B\x1b[C\x1b[D", {Up, Down, Right, Left}},
        {"\x1bOA\x1bOB\x1bOC\x1bOD", {Up, Down, Right, Left}},
        {"\x1b", {Escape}},
        {"\x1b\x1b[A", {Escape, Up}},
        // Shift+Up, Delete and F5 are taken whole and ignored; they do not leak letters that move.
        {"\x1b[1;2A\x1b[3~\x1b[15~j", {Other, Other, Other, Down}},
        // Alt+q is not q, and a sequence cut off at the end of the read is dropped whole.
        {"\x1bq", {Other}},
        {"\x1b[1;", {Other}},
        {"\r\n\tooqQ\x03kjlhx",
         {Enter, Enter, ToggleOption, ToggleOption, ToggleOption, Quit, Quit, Quit, Up, Down, Right, Left, Other}},
    };
    for (const auto& [bytes, keys] : cases)
        EXPECT_EQ(DecodeAll(bytes), keys) << testing::PrintToString(bytes);
}

}  // namespace
