// The proposed names of new clips: the text rule on Unicode and on 8-bit text, and the fixed names.
#include "content/FlavorSet.h"
#include "support/CFObj.h"

#include "FlavorSetTesting.h"

#include <gtest/gtest.h>

#include <string>
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
        TestFlavorSet unicode;
        unicode.Add('utxt', BytesOf(c.text));
        Boolean hasText = false;
        EXPECT_EQ(ProposedName(unicode, hasText), c.name);
        EXPECT_EQ(hasText, true);

        TestFlavorSet text;
        text.Add('TEXT', ToBytes(c.text));
        text.Add('PICT', "p");
        EXPECT_EQ(ProposedName(text, hasText), c.name);
        EXPECT_EQ(hasText, true);
    }
}

TEST(DefaultClipName, UnicodeDetails)
{
    Boolean hasText = false;
    // The byte-order mark is skipped, but it is one of the 128 units looked at.
    TestFlavorSet marked;
    marked.Add('utxt', BytesOf(u"\uFEFF" + Repeat(u'x', 200)));
    EXPECT_EQ(ProposedName(marked, hasText), Repeat(u'x', 127));

    TestFlavorSet innerMark;
    innerMark.Add('utxt', BytesOf(u"\uFEFF\uFEFF ab\uFEFFcd"));
    EXPECT_EQ(ProposedName(innerMark, hasText), u"ab\uFEFFcd");

    // An odd last byte is no unit; beyond 0x20 nothing is blank, Greek letters included.
    TestFlavorSet odd;
    odd.Add('utxt', BytesOf(u"\u03B1\u03B2") + "\x20");
    EXPECT_EQ(ProposedName(odd, hasText), u"\u03B1\u03B2");

    TestFlavorSet tooShort;
    tooShort.Add('utxt', "a");
    EXPECT_EQ(ProposedName(tooShort, hasText), u"New Text Clip");
    EXPECT_EQ(hasText, true);

    // Blank Unicode text is not replaced by the 8-bit text.
    TestFlavorSet blankUnicode;
    blankUnicode.Add('utxt', BytesOf(u"\uFEFF  \n"));
    blankUnicode.Add('TEXT', "words");
    EXPECT_EQ(ProposedName(blankUnicode, hasText), u"New Text Clip");
    EXPECT_EQ(hasText, true);

    // The flavor itself is not changed by the blanks turned into spaces.
    TestFlavorSet unchanged;
    unchanged.Add('utxt', BytesOf(u"a\tb"));
    ProposedName(unchanged, hasText);
    EXPECT_EQ(BytesOf(unchanged, 'utxt'), BytesOf(u"a\tb"));
}

TEST(DefaultClipName, MacRomanAccentsStayLetters)
{
    TestFlavorSet set;
    set.Add('TEXT', "\x8E\x8F\xA0 caf\x8E");
    Boolean hasText = false;
    EXPECT_EQ(ProposedName(set, hasText), u"\u00E9\u00E8\u2020 caf\u00E9");
}

TEST(DefaultClipName, FixedNamesForOtherContent)
{
    struct KindCase {
        std::vector<UInt32> types;
        std::u16string name;
    };
    const std::vector<KindCase> cases = {
        {{'PICT', 'snd '}, u"New Picture Clip"},
        {{'moov', 'PICT'}, u"New Movie Clip"},
        {{'snd ', 'priv'}, u"New Sound Clip"},
        {{'priv'}, u"New Clip"},
        {{}, u"New Clip"},
    };
    for (const KindCase& c : cases) {
        TestFlavorSet set;
        for (UInt32 type : c.types) {
            set.Add(type, "data");
        }
        Boolean hasText = true;
        EXPECT_EQ(ProposedName(set, hasText), c.name);
        EXPECT_EQ(hasText, false);
    }
}

}  // namespace
