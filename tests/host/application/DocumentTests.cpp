// The host's document: where its selection starts, what a paste does to it, and writing it back
// whole. (The file's permissions, a failed write and the selected text found in a file are
// followed through `cmhost choose` in the choose tests.)
#include "application/Document.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

using cmhost::Document;

TEST(Document, SelectedTextNotInTheFileLeavesTheInsertionPointAtTheEnd)
{
    testsupport::ScopedTempDir folder;
    testsupport::WriteFile(folder.Child("Letter.txt"), "To John: John, hi");
    std::string error;
    std::optional<Document> document = cmhost::OpenDocument(folder.Child("Letter.txt"), std::string("Jane"), &error);
    ASSERT_TRUE(document) << error;
    EXPECT_EQ(document->selectionStart, 17u);
    EXPECT_EQ(document->selectionLength, 0u);
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

TEST(Document, SavingThroughALinkReplacesTheFileItPointsAt)
{
    testsupport::ScopedTempDir folder;
    const std::string target = folder.Child("Target.txt");
    const std::string link = folder.Child("Link.txt");
    testsupport::WriteFile(target, "old");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    std::string error;
    EXPECT_TRUE(cmhost::SaveDocument(Document{"new text", link, 0, 0}, &error)) << error;
    EXPECT_EQ(testsupport::ReadFile(target), "new text");
    EXPECT_TRUE(std::filesystem::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(testsupport::EntryNames(folder.path()).size(), 2u) << "nothing is left beside them";
}

}  // namespace
