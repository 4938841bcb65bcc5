// The document of the application cmhost plays: the text the user works in, and where it is kept.
#pragma once

#include <optional>
#include <string>

namespace cmhost {

struct Document {
    std::string text;
    // The file the document came from and is written back to; empty for an in-memory document.
    std::string path;
};

// The document starts as the file's content when a file is given, else as the selected text, else
// empty. On failure, *error gets a one-line reason.
std::optional<Document> OpenDocument(const std::optional<std::string>& file,
                                     const std::optional<std::string>& selectedText, std::string* error);

}  // namespace cmhost
