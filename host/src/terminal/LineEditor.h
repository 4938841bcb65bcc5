// One line of text being typed on the terminal, character by character (a character is one UTF-8
// sequence, so that a cursor never stands inside one): the cursor, the selection a window gave the
// text or that typing replaces, and the keys that edit and move. It knows nothing of what the text
// is for; whoever owns it stores the text where it belongs after each edit.
#pragma once

#include "terminal/FormKeyDecoder.h"

#include <cstddef>
#include <string>
#include <vector>

namespace cmhost {

class LineEditor {
public:
    // What a key did to the line.
    enum class Change {
        None,    // the key means nothing here, or there was nothing to delete
        Moved,   // the cursor or the selection moved: draw again
        Edited,  // the text changed: store it, draw again
    };

    LineEditor() = default;
    // text with the selection [selectionStart, selectionEnd) in characters, either way round and
    // clamped to the text; the cursor at its end.
    LineEditor(const std::string& text, long selectionStart, long selectionEnd);

    // Text, Backspace, Delete, Left, Right, Home and End; every other key is None.
    Change Press(const FormKey& key);

    // The whole text selected, as a field entered with Tab has it, so that typing replaces it.
    void SelectAll();
    // Replaces the text and selects all of it, as a pick from a list does.
    void Replace(const std::string& text);

    std::string Text() const { return Joined(0, mCharacters.size()); }

    // The text as the terminal draws it, padded with '_' to width characters: when focused, the
    // selection in reverse video, else the character under the cursor (a blank after the end).
    std::string Drawn(bool focused, size_t width) const;

private:
    std::string Joined(size_t from, size_t to) const;
    bool HasSelection() const { return mSelectionEnd > mSelectionStart; }
    void RemoveSelection();
    void CollapseTo(size_t position);

    std::vector<std::string> mCharacters;
    size_t mCursor = 0;
    size_t mSelectionStart = 0;  // the selection is [mSelectionStart, mSelectionEnd)
    size_t mSelectionEnd = 0;
};

}  // namespace cmhost
