#include "Document.h"

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
    } else if (selectedText) {
        document.text = *selectedText;
    }
    return document;
}

}  // namespace cmhost
