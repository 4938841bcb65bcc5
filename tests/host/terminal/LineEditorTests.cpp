// The line editor: whole UTF-8 characters, typing over a selection, deleting on either side of the
// cursor, and the keys that only move.
#include "terminal/LineEditor.h"

#include <gtest/gtest.h>

namespace {

using cmhost::FormKey;
using cmhost::FormKeyKind;
using cmhost::LineEditor;
using Change = LineEditor::Change;

FormKey K(FormKeyKind kind)
{
    return FormKey{kind, {}};
}

FormKey T(const std::string& text)
{
    return FormKey{FormKeyKind::Text, text};
}

TEST(LineEditor, EditsCharacterByCharacterAroundTheCursorAndSelection)
{
    struct Case {
        const char* what;
        std::string text;
        long selectionStart, selectionEnd;
        std::vector<FormKey> keys;
        std::string expected;
        Change lastChange;
    };
    const Case cases[] = {
        {"typing replaces the selection", "Dear John,", 0, 32767, {T("G")}, "G", Change::Edited},
        {"a selection given backwards", "abcd", 3, 1, {T("x")}, "axd", Change::Edited},
        {"Backspace takes a whole character", "G\xC3\xA9", 3, 3, {K(FormKeyKind::Backspace)}, "G", Change::Edited},
        {"Home then typing", "G\xC3\xA9", 3, 3, {K(FormKeyKind::Home), T("x")}, "xG\xC3\xA9", Change::Edited},
        {"Left then Delete", "xG", 2, 2, {K(FormKeyKind::Left), K(FormKeyKind::Delete)}, "x", Change::Edited},
        {"nothing left of the cursor", "x", 0, 0, {K(FormKeyKind::Backspace)}, "x", Change::None},
        {"nothing right of the cursor", "x", 1, 1, {K(FormKeyKind::Delete)}, "x", Change::None},
        {"Right collapses a selection to its end", "abc", 0, 2, {K(FormKeyKind::Right), K(FormKeyKind::Backspace)},
         "ac", Change::Edited},
        {"Left collapses a selection to its start", "abc", 1, 3, {K(FormKeyKind::Left), T("x")}, "axbc",
         Change::Edited},
        {"End only moves", "abc", 0, 3, {K(FormKeyKind::End)}, "abc", Change::Moved},
    };
    for (const Case& each : cases) {
        LineEditor editor(each.text, each.selectionStart, each.selectionEnd);
        Change last = Change::None;
        for (const FormKey& key : each.keys)
            last = editor.Press(key);
        EXPECT_EQ(editor.Text(), each.expected) << each.what;
        EXPECT_EQ(last, each.lastChange) << each.what;
    }
}

TEST(LineEditor, DrawsTheCursorOnlyWhenFocusedAndAfterTheEndAsABlank)
{
    const LineEditor editor("ab", 2, 2);
    EXPECT_EQ(editor.Drawn(true, 4), "ab\x1b[7m \x1b[0m_");
    EXPECT_EQ(editor.Drawn(false, 4), "ab__");
}

}  // namespace
