#include "Document.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace cmhost {

std::optional<Document> OpenDocument(const std::optional<std::string>& file,
                                     const std::optional<std::string>& selectedText, std::string* error)
{
    Document document;
    if (file) {
        std::ifstream in(*file, std::ios::binary);
        if (!in) {
            *error = "cannot open the document " + *file + ": " + std::strerror(errno);
            return std::nullopt;
        }
        std::ostringstream contents;
        contents << in.rdbuf();
        if (in.bad()) {
            *error = "cannot read the document " + *file;
            return std::nullopt;
        }
        document.text = contents.str();
        document.path = *file;
        size_t found = selectedText && !selectedText->empty() ? document.text.find(*selectedText) : std::string::npos;
        if (found != std::string::npos) {
            document.selectionStart = found;
            document.selectionLength = selectedText->size();
        } else {
            document.selectionStart = document.text.size();
        }
    } else if (selectedText) {
        document.text = *selectedText;
        document.selectionLength = document.text.size();
    }
    return document;
}

void ReplaceSelection(Document& document, std::string_view text)
{
    // Keep a selection that has gone stale inside the text.
    const size_t start = std::min(document.selectionStart, document.text.size());
    const size_t length = std::min(document.selectionLength, document.text.size() - start);
    document.text.replace(start, length, text);
    document.selectionStart = start + text.size();
    document.selectionLength = 0;
}

bool SaveDocument(const Document& document, std::string* error)
{
    if (document.path.empty())
        return true;
    return WriteFileAtomically(document.path, document.text, error);
}

}  // namespace cmhost
