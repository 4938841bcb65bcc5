// The host's document: where its selection starts, what a paste does to it, and writing it back
// whole.
#include "Document.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using cmhost::Document;
using cmhost::OpenDocument;

TEST(Document, SelectionStartsOnTheSelectedTextOrAtTheEnd)
{
    std::string error;
    std::optional<Document> fromText = OpenDocument(std::nullopt, std::string("Dear John,"), &error);
    ASSERT_TRUE(fromText);
    EXPECT_EQ(fromText->selectionStart, 0u);
    EXPECT_EQ(fromText->selectionLength, 10u);

    testsupport::ScopedTempDir folder;
    const std::string path = folder.Child("Letter.txt");
    testsupport::WriteFile(path, "To John: John, hi");
    std::optional<Document> fromFile = OpenDocument(path, std::string("John"), &error);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->selectionStart, 3u);
    EXPECT_EQ(fromFile->selectionLength, 4u);
    std::optional<Document> notInFile = OpenDocument(path, std::string("Jane"), &error);
    ASSERT_TRUE(notInFile);
    EXPECT_EQ(notInFile->selectionStart, 17u);
    EXPECT_EQ(notInFile->selectionLength, 0u);

    EXPECT_FALSE(OpenDocument(folder.Child("missing.txt"), std::nullopt, &error));
    EXPECT_NE(error.find("missing.txt"), std::string::npos);
}

TEST(Document, PasteReplacesTheSelectionAndLeavesTheInsertionPointAfterIt)
{
    Document document{"Dear John, hi", "", 5, 4};
    cmhost::ReplaceSelection(document, "Jane");
    EXPECT_EQ(document.text, "Dear Jane, hi");
    EXPECT_EQ(document.selectionStart, 9u);
    EXPECT_EQ(document.selectionLength, 0u);
    // A second paste inserts at the insertion point.
    cmhost::ReplaceSelection(document, " Doe");
    EXPECT_EQ(document.text, "Dear Jane Doe, hi");
    EXPECT_EQ(document.selectionStart, 13u);

    // A selection past the end (the text changed under it) is clamped, not trusted.
    Document stale{"abc", "", 2, 50};
    cmhost::ReplaceSelection(stale, "Z");
    EXPECT_EQ(stale.text, "abZ");
    Document beyond{"abc", "", 9, 1};
    cmhost::ReplaceSelection(beyond, "Z");
    EXPECT_EQ(beyond.text, "abcZ");
}

TEST(Document, SavingReplacesTheFileWholeThroughALinkAndFailsCleanly)
{
    testsupport::ScopedTempDir folder;
    const std::string target = folder.Child("Target.txt");
    const std::string link = folder.Child("Link.txt");
    testsupport::WriteFile(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0604), 0);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    std::string error;
    EXPECT_TRUE(cmhost::SaveDocument(Document{"new text", link, 0, 0}, &error)) << error;
    EXPECT_EQ(testsupport::ReadFile(target), "new text");
    EXPECT_TRUE(std::filesystem::is_symlink(link)) << "the link stays a link";
    struct stat info{};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);

    // An in-memory document has nothing to write.
    EXPECT_TRUE(cmhost::SaveDocument(Document{"x", "", 0, 0}, &error));

    // No temporary file can be made beside a name this long: the file keeps its content, and
    // nothing is left behind.
    const std::string longName = folder.Child(std::string(250, 'D'));
    testsupport::WriteFile(longName, "kept");
    EXPECT_FALSE(cmhost::SaveDocument(Document{"lost?", longName, 0, 0}, &error));
    EXPECT_NE(error.find("DDDD"), std::string::npos) << error;
    EXPECT_EQ(testsupport::ReadFile(longName), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), std::filesystem::directory_iterator()),
              3);
}

}  // namespace
