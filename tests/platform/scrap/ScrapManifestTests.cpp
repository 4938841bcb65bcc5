// The manifest reader takes bytes any process of the user may have written: everything the writer
// produces reads back, and anything else is refused with a reason, never misread.
#include "scrap/ScrapManifest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::scrap::kMaxManifestBytes;
using platform::scrap::kMaxManifestFlavors;
using platform::scrap::ManifestEntry;
using platform::scrap::ReadManifest;
using platform::scrap::WriteManifest;

bool Read(const std::string& text, std::vector<ManifestEntry>& entries, std::string& error)
{
    platform::Result<std::vector<ManifestEntry>> read =
        ReadManifest(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    entries = read.Ok() ? read.Value() : std::vector<ManifestEntry>();
    error = read.Reason();
    return read.Ok();
}

TEST(ScrapManifest, WhatIsWrittenReadsBackInOrder)
{
    std::vector<ManifestEntry> written = {
        {'utxt', 0, 8}, {'TEXT', kScrapFlavorMaskSenderOnly, 0}, {0x00000000, 3, 999999999999999999}, {0xFFFFFFFF, 0, 1}};
    std::vector<ManifestEntry> read;
    std::string error;
    ASSERT_TRUE(Read(WriteManifest(written), read, error)) << error;
    EXPECT_EQ(read, written);

    ASSERT_TRUE(Read(WriteManifest({}), read, error)) << error;
    EXPECT_TRUE(read.empty());
}

TEST(ScrapManifest, TheLargestManifestFitsItsOwnLimit)
{
    std::vector<ManifestEntry> written;
    for (size_t i = 0; i < kMaxManifestFlavors; ++i) {
        written.push_back({static_cast<ScrapFlavorType>(0xFFFF0000u + i), 3, 999999999999999999});
    }
    std::string text = WriteManifest(written);
    EXPECT_LE(text.size(), kMaxManifestBytes);
    std::vector<ManifestEntry> read;
    std::string error;
    ASSERT_TRUE(Read(text, read, error)) << error;
    EXPECT_EQ(read.size(), kMaxManifestFlavors);
}

TEST(ScrapManifest, MalformedManifestsAreRefused)
{
    const std::string header = "clipboard manifest 1\n";
    const std::string line = "54455854 00000000 3\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "empty"},
        {"clipboard manifest 2\nflavors 0\n", "another version"},
        {header, "no count"},
        {header + "flavors 0", "count without newline"},
        {header + "flavors 1\n", "fewer lines than counted"},
        {header + "flavors 1\n" + line + line, "more lines than counted"},
        {header + "flavors 0\n\n", "a blank line after the end"},
        {header + "flavors 01\n" + line, "count with a leading zero"},
        {header + "flavors -1\n", "negative count"},
        {header + "flavors " + std::to_string(kMaxManifestFlavors + 1) + "\n", "count over the limit"},
        {header + "flavors 99999999999999999999\n", "huge count"},
        {header + "flavors 1\n54455854 00000000 3", "line without newline"},
        {header + "flavors 1\n5445585 00000000 3\n", "short type"},
        {header + "flavors 1\n5445585G 00000000 3\n", "type not hexadecimal"},
        {header + "flavors 1\n5445585A 00000000 3\n", "uppercase hexadecimal"},
        {header + "flavors 1\n54455854 00000004 3\n", "unknown flag bit"},
        {header + "flavors 1\n54455854 00000000 -3\n", "negative size"},
        {header + "flavors 1\n54455854 00000000 03\n", "size with a leading zero"},
        {header + "flavors 1\n54455854 00000000 \n", "no size"},
        {header + "flavors 1\n54455854 00000000 1000000000000000000\n", "size too large"},
        {header + "flavors 1\n54455854 00000000 3 \n", "trailing blank"},
        {header + "flavors 1\n54455854  00000000 3\n", "two blanks"},
        {header + "flavors 2\n" + line + "54455854 00000001 5\n", "repeated type"},
        {std::string("clipboard manifest 1\0\nflavors 0\n", 32), "NUL in the header"},
    };
    for (const auto& [text, what] : cases) {
        std::vector<ManifestEntry> entries = {{'junk', 0, 1}};
        std::string error;
        EXPECT_FALSE(Read(text, entries, error)) << what;
        EXPECT_TRUE(entries.empty()) << what;
        EXPECT_NE(error.find("damaged"), std::string::npos) << what << ": " << error;
    }
}

TEST(ScrapManifest, InputOverTheLimitIsRefusedUnread)
{
    std::string text = "clipboard manifest 1\nflavors 0\n";
    text.resize(kMaxManifestBytes + 1, ' ');
    std::vector<ManifestEntry> entries;
    std::string error;
    EXPECT_FALSE(Read(text, entries, error));
    EXPECT_NE(error.find("longer"), std::string::npos) << error;
}

}  // namespace
