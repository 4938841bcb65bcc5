// The document of the application cmhost plays: the text the user works in, its selection, and
// where it is kept.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace cmhost {

struct Document {
    std::string text;
    // The file the document came from and is written back to; empty for an in-memory document.
    std::string path;
    // The selection, in bytes of text; an empty selection is the insertion point.
    size_t selectionStart = 0;
    size_t selectionLength = 0;
};

// The document starts as the file's content when a file is given, else as the selected text, else
// empty. The selection is the selected text: all of it for an in-memory document made from it, its
// first occurrence in a file; without one (or when the file does not hold it) the insertion point
// is at the end, where a paste adds to what is there. On failure, *error gets a one-line reason.
std::optional<Document> OpenDocument(const std::optional<std::string>& file,
                                     const std::optional<std::string>& selectedText, std::string* error);

// What an editor does with a paste: the selection is replaced by the text, and the insertion point
// follows the pasted text.
void ReplaceSelection(Document& document, std::string_view text);
// The same for a text of length bytes that write puts in place: the document grows once and the
// text is written straight into it, so a large paste is never held a second time on the way.
void ReplaceSelection(Document& document, size_t length, const std::function<void(char*)>& write);

// Writes a file document back to its file, whole or not at all. True for an in-memory document; on
// failure, *error gets a one-line reason and the file is as it was.
bool SaveDocument(const Document& document, std::string* error);

}  // namespace cmhost
