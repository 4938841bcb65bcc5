// The ".strings" parser: entries, escapes, comments, encodings, and damaged or hostile files.
#include "bundle/StringsFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

using platform::ParseStringsData;
using platform::StringsParseResult;

std::u16string U(const char16_t* text)
{
    return text;
}

std::u16string ValueOf(const StringsParseResult& result, const std::u16string& key)
{
    auto found = result.entries.find(key);
    return found != result.entries.end() ? found->second : u"<missing>";
}

TEST(StringsFile, EntriesCommentsAndPlainTokens)
{
    StringsParseResult result = ParseStringsData(
        "/* Menu titles */\n"
        "\"Add Clipboard Content...\" = \"Zwischenablage hinzuf\xC3\xBCgen...\";\n"
        "// a line comment with \"quotes\" = \"ignored\";\n"
        "plain_key.1 = value-2/$:x;\n"
        "\"/Stashwell\"=\"/Stashwell\";/* inline */\"- \" = \"\xE2\x80\x93 \"; // trailing\n"
        "\"Alone\";\n"
        "\"Twice\" = \"first\"; \"Twice\" = \"second\";");
    EXPECT_TRUE(result.complete) << result.error;
    EXPECT_EQ(result.entries.size(), 6u);
    EXPECT_EQ(ValueOf(result, u"Add Clipboard Content..."), U(u"Zwischenablage hinzuf\u00FCgen..."));
    EXPECT_EQ(ValueOf(result, u"plain_key.1"), U(u"value-2/$:x"));
    EXPECT_EQ(ValueOf(result, u"/Stashwell"), U(u"/Stashwell"));
    EXPECT_EQ(ValueOf(result, u"- "), U(u"\u2013 "));
    EXPECT_EQ(ValueOf(result, u"Alone"), U(u"Alone"));
    EXPECT_EQ(ValueOf(result, u"Twice"), U(u"second"));
}

TEST(StringsFile, EscapesAsInC)
{
    StringsParseResult result = ParseStringsData(
        R"("k" = "a\nb\tc\rd\"e\\f\'g\101\0h\U00e9\u20AC\UD83D\uDE00\q";)");
    ASSERT_TRUE(result.complete) << result.error;
    std::u16string expected = u"a\nb\tc\rd\"e\\f'gA";
    expected.push_back(u'\0');
    expected += u"h\u00E9\u20AC\U0001F600q";
    EXPECT_EQ(ValueOf(result, u"k"), expected);
}

TEST(StringsFile, EncodingsWithAndWithoutByteOrderMark)
{
    const std::u16string text = u"\"caf\u00E9\" = \"\u20AC\";";
    std::string little = "\xFF\xFE";
    std::string big = "\xFE\xFF";
    for (char16_t unit : text) {
        little.push_back(static_cast<char>(unit & 0xFF));
        little.push_back(static_cast<char>(unit >> 8));
        big.push_back(static_cast<char>(unit >> 8));
        big.push_back(static_cast<char>(unit & 0xFF));
    }
    const std::string utf8 = "\"caf\xC3\xA9\" = \"\xE2\x82\xAC\";";
    for (const std::string& bytes : {little, big, utf8, "\xEF\xBB\xBF" + utf8}) {
        StringsParseResult result = ParseStringsData(bytes);
        EXPECT_TRUE(result.complete) << result.error;
        EXPECT_EQ(ValueOf(result, u"caf\u00E9"), U(u"\u20AC"));
    }
}

TEST(StringsFile, DamageKeepsTheEntriesBeforeIt)
{
    struct Case {
        const char* text;
        const char* errorPart;
    };
    const Case cases[] = {
        {"\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"3\";", "line 3"},           // missing ';'
        {"\"a\" = \"1\";\n\"b\" = \"unterminated;\n", "closing quote"},
        {"\"a\" = \"1\";\n/* never closed \"b\" = \"2\";", "comment"},
        {"\"a\" = \"1\";\n\"b\" = \"\\U12\";", "hexadecimal"},
        {"\"a\" = \"1\";\n\"b\" = ;", "line 2"},
        {"\"a\" = \"1\";\n{ \"b\" = \"2\"; }", "line 2"},
        {"\"a\" = \"1\";\n\"b\" = \"2\\", "closing quote"},
    };
    for (const Case& c : cases) {
        StringsParseResult result = ParseStringsData(c.text);
        EXPECT_FALSE(result.complete) << c.text;
        EXPECT_NE(result.error.find(c.errorPart), std::string::npos) << c.text << " -> " << result.error;
        EXPECT_EQ(ValueOf(result, u"a"), U(u"1")) << c.text;
        EXPECT_EQ(result.entries.count(u"b"), 0u) << c.text;
    }
}

TEST(StringsFile, EveryTruncationParsesToAPrefixOfTheEntries)
{
    const std::string full =
        "\xEF\xBB\xBF/* c */ \"one\" = \"1\\n\\U00e9\";\n// x\n two = \"2\\\"\"; \"three\";\n"
        "\"four\" = \"\xE2\x82\xAC\\101\";";
    const StringsParseResult complete = ParseStringsData(full);
    ASSERT_TRUE(complete.complete) << complete.error;
    ASSERT_EQ(complete.entries.size(), 4u);
    for (size_t length = 0; length <= full.size(); ++length) {
        StringsParseResult partial = ParseStringsData(std::string_view(full).substr(0, length));
        for (const auto& [key, value] : partial.entries) {
            auto found = complete.entries.find(key);
            ASSERT_NE(found, complete.entries.end()) << "length " << length;
            EXPECT_EQ(found->second, value) << "length " << length;
        }
    }
    // The same for a UTF-16 file cut at every byte, odd lengths included.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("\"k\" = \"v\"; \"l\" = \"w\";")) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    for (size_t length = 0; length <= utf16.size(); ++length) {
        StringsParseResult partial = ParseStringsData(std::string_view(utf16).substr(0, length));
        EXPECT_LE(partial.entries.size(), 2u);
    }
}

TEST(StringsFile, FilesThatAreTooLargeOrNotRegularAreRefused)
{
    testsupport::ScopedTempDir dir;
    std::string big = dir.Child("Big.strings");
    testsupport::WriteFile(big, "\"a\" = \"b\";");
    ASSERT_EQ(truncate(big.c_str(), static_cast<off_t>(platform::kMaxStringsFileBytes) + 1), 0);
    StringsParseResult result;
    EXPECT_FALSE(platform::ReadStringsFile(big, result));
    EXPECT_NE(result.error.find("larger"), std::string::npos) << result.error;
    EXPECT_TRUE(result.entries.empty());

    // A FIFO in place of a table would block a reader that opened it for reading without care.
    std::string fifo = dir.Child("Fifo.strings");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(platform::ReadStringsFile(fifo, result));

    EXPECT_FALSE(platform::ReadStringsFile(dir.Child("Missing.strings"), result));

    std::string good = dir.Child("Good.strings");
    testsupport::WriteFile(good, "\"a\" = \"b\";");
    ASSERT_TRUE(platform::ReadStringsFile(good, result));
    EXPECT_EQ(ValueOf(result, u"a"), U(u"b"));
}

}  // namespace
