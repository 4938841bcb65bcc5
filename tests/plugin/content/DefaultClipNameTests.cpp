// The proposed names of new clips: the text rule on Unicode and on 8-bit text, and the fixed names.
#include "content/FlavorSet.h"
#include "support/CFObj.h"

#include "FlavorSetTesting.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using flavortesting::BytesOf;
using flavortesting::TestFlavorSet;
using flavortesting::UnitsOf;

struct NameCase {
    const char* what;
    std::u16string text;  // ASCII-only cases run as 'TEXT' too
    std::u16string name;
};

std::u16string Repeat(char16_t unit, size_t count)
{
    return std::u16string(count, unit);
}

const std::vector<NameCase>& NameCases()
{
    static const std::vector<NameCase> cases = {
        {"first non-blank line", u"\n\nDear John,\nHow are you?\n", u"Dear John,"},
        {"cut before the third run of blanks", u"one two three four five", u"one two three"},
        {"a tab becomes a space", u"one\ttwo", u"one two"},
        {"a run keeps its length", u"one   two", u"one   two"},
        {"a mixed run counts once", u"a \t b c d", u"a   b c"},
        {"every leading blank is skipped", u"\n\n\n\nab", u"ab"},
        {"only blanks and line ends", u" \r\n\t \n", u"New Text Clip"},
        {"carriage return ends the name", u"first\rsecond", u"first"},
        {"control characters are blanks", u"a\x01\x02" u"b", u"a  b"},
        {"blanks at the end stay", u"ab cd \n", u"ab cd "},
        {"only the first 128 characters", Repeat(u'x', 200), Repeat(u'x', 128)},
        {"a blank at the cut stays", Repeat(u'y', 127) + u" zz", Repeat(u'y', 127) + u" "},
        {"leading blanks use up the 128", Repeat(u' ', 126) + u"abc", u"ab"},
        {"leading blanks fill the 128", Repeat(u' ', 128) + u"abc", u"New Text Clip"},
    };
    return cases;
}

std::string ToBytes(const std::u16string& ascii)
{
    return std::string(ascii.begin(), ascii.end());
}

std::u16string ProposedName(FlavorSet& set, Boolean& hasText)
{
    hasText = 99;
    CFObj<CFStringRef> name(set.CreateDefaultNameString(hasText));
    return UnitsOf(name);
}

TEST(DefaultClipName, TextRuleOnUnicodeAndOnEightBitText)
{
    for (const NameCase& c : NameCases()) {
        SCOPED_TRACE(c.what);
        TestFlavorSet unicode{{'utxt', BytesOf(c.text)}};
        Boolean hasText = false;
        EXPECT_EQ(ProposedName(unicode, hasText), c.name);
        EXPECT_EQ(hasText, true);

        TestFlavorSet text{{'TEXT', ToBytes(c.text)}, {'PICT', "p"}};
        EXPECT_EQ(ProposedName(text, hasText), c.name);
        EXPECT_EQ(hasText, true);
    }
}

TEST(DefaultClipName, UnicodeDetailsAndTheNamesOfOtherContent)
{
    const struct {
        const char* what;
        std::vector<std::pair<UInt32, std::string>> flavors;
        std::u16string name;
        bool hasText;
    } cases[] = {
        {"the mark is skipped but is one of the 128", {{'utxt', BytesOf(u"\uFEFF" + Repeat(u'x', 200))}},
         Repeat(u'x', 127), true},
        {"marks further on stay", {{'utxt', BytesOf(u"\uFEFF\uFEFF ab\uFEFFcd")}}, u"ab\uFEFFcd", true},
        {"odd last byte; Greek is no blank", {{'utxt', BytesOf(u"\u03B1\u03B2") + "\x20"}}, u"\u03B1\u03B2", true},
        {"less than one unit", {{'utxt', "a"}}, u"New Text Clip", true},
        {"blank Unicode wins over 8-bit text", {{'utxt', BytesOf(u"\uFEFF  \n")}, {'TEXT', "words"}}, u"New Text Clip", true},
        {"Mac OS Roman accents stay letters", {{'TEXT', "\x8E\x8F\xA0 caf\x8E"}}, u"\u00E9\u00E8\u2020 caf\u00E9", true},
        {"picture", {{'PICT', "data"}, {'snd ', "data"}}, u"New Picture Clip", false},
        {"movie", {{'moov', "data"}, {'PICT', "data"}}, u"New Movie Clip", false},
        {"sound", {{'snd ', "data"}, {'priv', "data"}}, u"New Sound Clip", false},
        {"other", {{'priv', "data"}}, u"New Clip", false},
        {"nothing", {}, u"New Clip", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestFlavorSet set;
        for (const auto& [type, bytes] : c.flavors) {
            set.Add(type, bytes);
        }
        Boolean hasText = false;
        EXPECT_EQ(ProposedName(set, hasText), c.name);
        EXPECT_EQ(hasText, c.hasText);
    }

    // The flavor itself is not changed by the blanks turned into spaces.
    TestFlavorSet unchanged{{'utxt', BytesOf(u"a\tb")}};
    Boolean hasText = false;
    ProposedName(unchanged, hasText);
    EXPECT_EQ(BytesOf(unchanged, 'utxt'), BytesOf(u"a\tb"));
}

}  // namespace
