// Text out of descriptors (byte-order marks, odd sizes, line-ending modes, the coercion fallbacks)
// and strings into UTF-16, UTF-8, Unicode-text descriptors and hexadecimal.
#include "support/CFObj.h"
#include "support/CMUtilsText.h"
#include "support/StAEDesc.h"

#include "plugin/support/TextTesting.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using texttest::UnitsOf;

std::string BytesOf(const std::u16string& units)
{
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

void MakeDesc(StAEDesc& desc, DescType type, const void* data, size_t size)
{
    EXPECT_EQ(AECreateDesc(type, data, static_cast<Size>(size), desc), noErr);
}

void MakeUnicodeDesc(StAEDesc& desc, const std::u16string& units)
{
    MakeDesc(desc, typeUnicodeText, units.data(), units.size() * 2);
}

void MakeTextDesc(StAEDesc& desc, const std::string& text)
{
    MakeDesc(desc, typeChar, text.data(), text.size());
}

// The text of the descriptor as CreateCFStringFromAEDesc gives it; "<null>" when it gives none.
std::u16string TextOf(const StAEDesc& desc, SInt32 mode = CMUtils::kLineEndingsUnchanged)
{
    CFObj<CFStringRef> string(CMUtils::CreateCFStringFromAEDesc(*desc.Get(), mode));
    return UnitsOf(string.Get());
}

// A coercion handler installed for one test, removed when it ends.
class StCoercionHandler {
public:
    StCoercionHandler(DescType from, DescType to, AECoercionHandlerUPP handler) : mFrom(from), mTo(to), mHandler(handler)
    {
        EXPECT_EQ(AEInstallCoercionHandler(from, to, handler, nullptr, true, false), noErr);
    }
    ~StCoercionHandler() { AERemoveCoercionHandler(mFrom, mTo, mHandler, false); }

private:
    DescType mFrom;
    DescType mTo;
    AECoercionHandlerUPP mHandler;
};

// Asked for Unicode, answers 8-bit text: the caller must not take it for Unicode.
OSErr AnswerTextForUnicode(const AEDesc* from, DescType toType, void* refcon, AEDesc* to)
{
    return AECreateDesc(typeChar, "from the handler", 16, to);
}

OSErr AnswerText(const AEDesc* from, DescType toType, void* refcon, AEDesc* to)
{
    return AECreateDesc(typeChar, "plain", 5, to);
}

OSErr Refuse(const AEDesc* from, DescType toType, void* refcon, AEDesc* to)
{
    return errAECoercionFail;
}

// Answers Unicode that starts with a byte-order mark.
OSErr AnswerMarkedUnicode(const AEDesc* from, DescType toType, void* refcon, AEDesc* to)
{
    const char16_t units[] = u"\uFEFFok";
    return AECreateDesc(typeUnicodeText, units, 6, to);
}

// Text types count by their size alone; other types when they coerce to non-empty text.
TEST(CMUtilsHasTextData, TextTypesByTheirSizeOtherTypesByTheirCoercion)
{
    const SInt32 number = 42;
    const struct {
        DescType type;
        std::string bytes;
        bool hasText;
        std::u16string text;
    } cases[] = {
        {typeChar, "", false, u""},
        {typeChar, "x", true, u"x"},
        {typeUnicodeText, "", false, u""},
        {typeUnicodeText, std::string("y\0", 2), true, u"y"},
        {typeUTF8Text, "\xC3\xA9t\xC3\xA9", true, u"\u00E9t\u00E9"},
        {typeUTF8Text, "", false, u""},
        {typeSInt32, std::string(reinterpret_cast<const char*>(&number), sizeof number), false, u"<null>"},
    };
    for (const auto& c : cases) {
        StAEDesc desc;
        MakeDesc(desc, c.type, c.bytes.data(), c.bytes.size());
        EXPECT_EQ(CMUtils::AEDescHasTextData(*desc.Get()), c.hasText) << c.bytes;
        EXPECT_EQ(TextOf(desc), c.text) << c.bytes;
    }
    StAEDesc null, list;
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*null.Get()));
    EXPECT_EQ(TextOf(null), u"<null>");
    // A list is not searched for text: only a coercion of the whole list would count.
    ASSERT_EQ(AECreateList(nullptr, 0, false, list), noErr);
    ASSERT_EQ(AEPutPtr(list, 0, typeChar, "inside", 6), noErr);
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*list.Get()));
    EXPECT_EQ(TextOf(list), u"<null>");
}

// Unicode is asked for first; a Unicode coercion that answers another type is not retried as
// text, a refused one is; coerced Unicode loses its byte-order mark too.
TEST(CMUtilsHasTextData, CoercionsToUnicodeThenToText)
{
    const DescType kPrivateType = 'priv';
    const struct {
        AECoercionHandlerUPP toUnicode;
        bool hasText;
        std::u16string text;
    } cases[] = {
        {&AnswerTextForUnicode, false, u"<null>"},
        {&Refuse, true, u"plain"},
        {&AnswerMarkedUnicode, true, u"ok"},
    };
    StCoercionHandler toText(kPrivateType, typeChar, &AnswerText);
    for (const auto& c : cases) {
        StCoercionHandler toUnicode(kPrivateType, typeUnicodeText, c.toUnicode);
        StAEDesc privateDesc;
        MakeDesc(privateDesc, kPrivateType, "data", 4);
        EXPECT_EQ(CMUtils::AEDescHasTextData(*privateDesc.Get()), c.hasText);
        EXPECT_EQ(TextOf(privateDesc), c.text);
    }
}

// A leading byte-order mark goes (a mark further on is text), an odd last byte is no unit, and
// 8-bit text is read in the system encoding.
TEST(CMUtilsStringFromDesc, ByteOrderMarksOddSizesAndEightBitText)
{
    const struct {
        DescType type;
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {typeUnicodeText, BytesOf(u"\uFEFFhello"), u"hello"},
        {typeUnicodeText, BytesOf(u"\uFEFF"), u""},  // an empty string, not none
        {typeUnicodeText, BytesOf(u"abc").substr(0, 5), u"ab"},
        {typeUnicodeText, BytesOf(u"\uFFFEx"), u"\uFFFEx"},
        {typeUnicodeText, "\xFF", u""},
        {typeUnicodeText, "", u""},
        {typeUnicodeText, BytesOf(u"a\uFEFF"), u"a\uFEFF"},
        {typeChar, "caf\x8E \xDB", u"caf\u00E9 \u20AC"},  // Mac OS Roman e-acute and euro sign
        {typeChar, "", u""},
    };
    for (const auto& c : cases) {
        StAEDesc desc;
        MakeDesc(desc, c.type, c.bytes.data(), c.bytes.size());
        EXPECT_EQ(TextOf(desc), c.text) << c.bytes;
    }
}

TEST(CMUtilsStringFromDesc, LineEndingModesOnBothTextTypes)
{
    StAEDesc text, unicode;
    MakeTextDesc(text, "a\nb\rc");
    MakeUnicodeDesc(unicode, u"\uFEFFa\nb\rc");
    for (const StAEDesc* desc : {&text, &unicode}) {
        EXPECT_EQ(TextOf(*desc, CMUtils::kLineEndingsUnchanged), u"a\nb\rc");
        EXPECT_EQ(TextOf(*desc, CMUtils::kLineFeedsToReturns), u"a\rb\rc");
        EXPECT_EQ(TextOf(*desc, CMUtils::kReturnsToLineFeeds), u"a\nb\nc");
        EXPECT_EQ(TextOf(*desc, 3), u"a\nb\rc");
        EXPECT_EQ(TextOf(*desc, -1), u"a\nb\rc");
    }
    // The conversion works on a copy: the descriptor keeps its own line ends.
    std::vector<char> stored(5);
    ASSERT_EQ(AEGetDescData(text, stored.data(), 5), noErr);
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "a\nb\rc");
}

TEST(CMUtilsStringFromDesc, NoBlockForTheDataGivesNone)
{
    StAEDesc unicode, text;
    MakeUnicodeDesc(unicode, u"abc");
    MakeTextDesc(text, "abc");
    PlatformFailNextAllocationsForTesting(1);
    EXPECT_EQ(TextOf(unicode), u"<null>");
    PlatformFailNextAllocationsForTesting(1);
    EXPECT_EQ(TextOf(text), u"<null>");
    PlatformFailNextAllocationsForTesting(0);
    EXPECT_EQ(TextOf(text), u"abc");
}

// Both buffers are the caller's to free; "<null>" stands for no buffer.
TEST(CMUtilsBuffers, UTF16HasEveryUnitAndUTF8IsTerminatedWithItsByteLength)
{
    CFObj<CFStringRef> wide(texttest::CreateString(std::u16string(u"/k\U0001F600")));
    CFObj<CFStringRef> broken(texttest::CreateString(std::u16string{u'a', char16_t(0xD800)}));  // no UTF-8 form
    const struct {
        CFStringRef string;
        std::u16string units;   // u"<null>": no buffer, and the length left alone
        std::string utf8;       // "<null>": no buffer, and a length of 0
    } cases[] = {
        {nullptr, u"<null>", "<null>"},
        {CFSTR(""), u"", "<null>"},  // an empty text still gets a UTF-16 buffer
        {CFSTR("\u00E9"), u"\u00E9", "\xC3\xA9"},
        {wide.Get(), u"/k\U0001F600", "/k\xF0\x9F\x98\x80"},
        {broken.Get(), std::u16string{u'a', char16_t(0xD800)}, "<null>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        UInt32 length = 12345;
        UniChar* units = CMUtils::CreateUTF16DataFromCFString(c.string, &length);
        EXPECT_EQ(units != nullptr ? std::u16string(reinterpret_cast<char16_t*>(units), length) : u"<null>", c.units);
        EXPECT_EQ(length, units != nullptr ? c.units.size() : 12345u);
        std::free(units);

        length = 99;
        char* bytes = CMUtils::CreateUTF8CStringFromCFString(c.string, &length);
        EXPECT_EQ(bytes != nullptr ? std::string(bytes) : "<null>", c.utf8);
        EXPECT_EQ(length, bytes != nullptr ? c.utf8.size() : 0u);
        std::free(bytes);
    }
    // The length may be left out.
    UniChar* units = CMUtils::CreateUTF16DataFromCFString(CFSTR("h"), nullptr);
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(units[0], u'h');
    std::free(units);
    char* bytes = CMUtils::CreateUTF8CStringFromCFString(CFSTR("abc"), nullptr);
    ASSERT_NE(bytes, nullptr);
    EXPECT_STREQ(bytes, "abc");
    std::free(bytes);
}

TEST(CMUtilsUniTextDesc, UnitsWithoutMarkOrTerminator)
{
    StAEDesc desc;
    EXPECT_EQ(CMUtils::CreateUniTextDescFromCFString(nullptr, *desc.Get()), paramErr);
    EXPECT_EQ(desc.GetType(), typeNull);

    CFObj<CFMutableStringRef> string(CFStringCreateMutable(nullptr, 0));
    CFStringAppendCharacters(string, reinterpret_cast<const UniChar*>(u"a\u00E9"), 2);
    ASSERT_EQ(CMUtils::CreateUniTextDescFromCFString(string, *desc.Get()), noErr);
    EXPECT_EQ(desc.GetType(), typeUnicodeText);
    ASSERT_EQ(AEGetDescDataSize(desc), 4);
    char16_t stored[2] = {};
    ASSERT_EQ(AEGetDescData(desc, stored, 4), noErr);
    EXPECT_EQ(std::u16string(stored, 2), u"a\u00E9");
    EXPECT_EQ(TextOf(desc), u"a\u00E9");

    StAEDesc empty;
    ASSERT_EQ(CMUtils::CreateUniTextDescFromCFString(CFSTR(""), *empty.Get()), noErr);
    EXPECT_EQ(empty.GetType(), typeUnicodeText);
    EXPECT_EQ(AEGetDescDataSize(empty), 0);
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*empty.Get()));
}

std::string Hex(const std::vector<UInt8>& bytes, UInt8 group, UInt32& count)
{
    std::string out(2 * bytes.size() + bytes.size() + 8, '#');
    CMUtils::BufToHex(bytes.data(), out.data(), static_cast<UInt32>(bytes.size()), count, group);
    EXPECT_EQ(out[count], '\0');  // terminated right after the counted characters
    EXPECT_EQ(out[count + 1], '#');
    return out.substr(0, count);
}

TEST(CMUtilsBufToHex, PairsAndGroups)
{
    UInt32 count = 77;
    EXPECT_EQ(Hex({0xAB, 0x01}, 0, count), "AB01");
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(Hex({0x01, 0x02, 0x03, 0x04}, 2, count), "0102 0304 ");
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(Hex({0x01, 0x02, 0x03, 0x04}, 3, count), "010203 04");
    EXPECT_EQ(count, 9u);
    EXPECT_EQ(Hex({0x00, 0xFF, 0x9A}, 1, count), "00 FF 9A ");
    EXPECT_EQ(Hex({}, 2, count), "");
    EXPECT_EQ(count, 0u);
}

TEST(CMUtilsReplace, OnlyWithinTheGivenLength)
{
    char text[] = "a-b-c-";
    CMUtils::ReplaceCharacters(text, 4, '-', '/');
    EXPECT_STREQ(text, "a/b/c-");
    CMUtils::ReplaceCharacters(text, 0, 'a', 'z');
    CMUtils::ReplaceCharacters(text, -3, 'a', 'z');
    EXPECT_STREQ(text, "a/b/c-");

    UniChar units[] = {13, 'x', 13, 13};
    CMUtils::ReplaceUnicodeCharacters(units, 3, 13, 10);
    EXPECT_EQ(units[0], 10);
    EXPECT_EQ(units[1], 'x');
    EXPECT_EQ(units[2], 10);
    EXPECT_EQ(units[3], 13);
}

}  // namespace
