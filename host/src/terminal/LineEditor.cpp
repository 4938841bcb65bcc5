#include "terminal/LineEditor.h"

#include "terminal/TerminalStyle.h"

#include <algorithm>

namespace cmhost {
namespace {

std::vector<std::string> Characters(const std::string& text)
{
    std::vector<std::string> characters;
    for (size_t at = 0; at < text.size();) {
        size_t length = 1;
        while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
            ++length;
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

}  // namespace

LineEditor::LineEditor(const std::string& text, long selectionStart, long selectionEnd)
    : mCharacters(Characters(text))
{
    const auto clamp = [this](long at) { return std::min(static_cast<size_t>(std::max(at, 0L)), mCharacters.size()); };
    mSelectionStart = clamp(selectionStart);
    mSelectionEnd = clamp(selectionEnd);
    if (mSelectionEnd < mSelectionStart)
        std::swap(mSelectionStart, mSelectionEnd);
    mCursor = mSelectionEnd;
}

std::string LineEditor::Joined(size_t from, size_t to) const
{
    std::string text;
    for (size_t i = from; i < to && i < mCharacters.size(); ++i)
        text += mCharacters[i];
    return text;
}

void LineEditor::RemoveSelection()
{
    mCharacters.erase(mCharacters.begin() + static_cast<std::ptrdiff_t>(mSelectionStart),
                      mCharacters.begin() + static_cast<std::ptrdiff_t>(mSelectionEnd));
    CollapseTo(mSelectionStart);
}

void LineEditor::CollapseTo(size_t position)
{
    mCursor = mSelectionStart = mSelectionEnd = position;
}

void LineEditor::SelectAll()
{
    mSelectionStart = 0;
    mSelectionEnd = mCursor = mCharacters.size();
}

void LineEditor::Replace(const std::string& text)
{
    mCharacters = Characters(text);
    SelectAll();
}

LineEditor::Change LineEditor::Press(const FormKey& key)
{
    const bool selected = HasSelection();
    switch (key.kind) {
    case FormKeyKind::Text:
        if (selected)
            RemoveSelection();
        mCharacters.insert(mCharacters.begin() + static_cast<std::ptrdiff_t>(mCursor), key.text);
        CollapseTo(mCursor + 1);
        return Change::Edited;
    case FormKeyKind::Backspace:
        if (selected)
            RemoveSelection();
        else if (mCursor > 0) {
            mCharacters.erase(mCharacters.begin() + static_cast<std::ptrdiff_t>(mCursor - 1));
            CollapseTo(mCursor - 1);
        } else
            return Change::None;
        return Change::Edited;
    case FormKeyKind::Delete:
        if (selected)
            RemoveSelection();
        else if (mCursor < mCharacters.size())
            mCharacters.erase(mCharacters.begin() + static_cast<std::ptrdiff_t>(mCursor));
        else
            return Change::None;
        return Change::Edited;
    case FormKeyKind::Left:
        CollapseTo(selected ? mSelectionStart : (mCursor > 0 ? mCursor - 1 : 0));
        return Change::Moved;
    case FormKeyKind::Right:
        CollapseTo(selected ? mSelectionEnd : std::min(mCursor + 1, mCharacters.size()));
        return Change::Moved;
    case FormKeyKind::Home:
        CollapseTo(0);
        return Change::Moved;
    case FormKeyKind::End:
        CollapseTo(mCharacters.size());
        return Change::Moved;
    default:
        return Change::None;
    }
}

std::string LineEditor::Drawn(bool focused, size_t width) const
{
    using namespace style;
    const size_t count = mCharacters.size();
    std::string text;
    size_t used = count;
    if (!focused) {
        text = Joined(0, count);
    } else if (HasSelection()) {
        text = Joined(0, mSelectionStart) + kReverse + Joined(mSelectionStart, mSelectionEnd) + kPlain +
               Joined(mSelectionEnd, count);
    } else {
        text = Joined(0, mCursor) + kReverse + (mCursor < count ? mCharacters[mCursor] : std::string(" ")) + kPlain +
               Joined(mCursor + 1, count);
        used += mCursor >= count ? 1 : 0;
    }
    if (used < width)
        text += std::string(width - used, '_');
    return text;
}

}  // namespace cmhost
