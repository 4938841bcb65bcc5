#include "application/Document.h"

#include "AtomicFileWriter.h"
#include "ErrnoStatus.h"
#include "PathParts.h"
#include "RegularFile.h"

#include <algorithm>
#include <cstring>

namespace cmhost {
namespace {

// A document is held whole in memory; one larger than this is refused rather than read.
constexpr size_t kMaxDocumentBytes = size_t{1} << 30;

}  // namespace

std::optional<Document> OpenDocument(const std::optional<std::string>& file,
                                     const std::optional<std::string>& selectedText, std::string* error)
{
    Document document;
    if (file) {
        platform::Result<std::string> read =
            platform::ReadRegularFile(platform::ResolveUserPath(*file), kMaxDocumentBytes);
        if (read.Errno() != 0) {
            *error = platform::ErrnoReason("cannot read the document " + *file, read.Errno());
            return std::nullopt;
        }
        if (read.Status() == notAFileErr) {
            *error = "the document " + *file + " is not a regular file";
            return std::nullopt;
        }
        if (!read.Ok()) {
            *error = "the document " + *file + " is larger than " + std::to_string(kMaxDocumentBytes) + " bytes";
            return std::nullopt;
        }
        document.text = std::move(read.Value());
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
    ReplaceSelection(document, text.size(), [&](char* destination) { text.copy(destination, text.size()); });
}

void ReplaceSelection(Document& document, size_t length, const std::function<void(char*)>& write)
{
    std::string& text = document.text;
    // Keep a selection that has gone stale inside the text.
    const size_t start = std::min(document.selectionStart, text.size());
    const size_t selected = std::min(document.selectionLength, text.size() - start);
    const size_t after = text.size() - start - selected;
    if (length > selected) {
        text.resize(text.size() + (length - selected));
    }
    // What follows the selection moves to its place after the new text, then the text goes in.
    std::memmove(text.data() + start + length, text.data() + start + selected, after);
    if (length < selected) {
        text.resize(start + length + after);
    }
    write(text.data() + start);
    document.selectionStart = start + length;
    document.selectionLength = 0;
}

bool SaveDocument(const Document& document, std::string* error)
{
    if (document.path.empty())
        return true;
    // Written where the user's link leads, the link staying in place; the file keeps its mode.
    const std::string target = platform::ResolveUserPath(document.path);
    platform::AtomicFileWriter writer(target);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        writer.SetMode(existing.st_mode & 07777);
    }
    platform::Result<void> written = writer.Prepare(document.text.data(), document.text.size());
    if (written.Ok()) {
        written = writer.Commit();
    }
    if (!written.Ok()) {
        *error = platform::ErrnoReason("cannot write the document " + document.path, written.Errno());
        return false;
    }
    return true;
}

}  // namespace cmhost
