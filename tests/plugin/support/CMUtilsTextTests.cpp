// Text out of descriptors (byte-order marks, odd sizes, line-ending modes, the coercion fallbacks)
// and strings into UTF-16, UTF-8, Unicode-text descriptors and hexadecimal.
#include "support/CFObj.h"
#include "support/CMUtilsText.h"
#include "support/StAEDesc.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

StAEDesc* MakeDesc(StAEDesc& desc, DescType type, const void* data, size_t size)
{
    EXPECT_EQ(AECreateDesc(type, data, static_cast<Size>(size), desc), noErr);
    return &desc;
}

void MakeUnicodeDesc(StAEDesc& desc, const std::u16string& units)
{
    MakeDesc(desc, typeUnicodeText, units.data(), units.size() * 2);
}

void MakeTextDesc(StAEDesc& desc, const std::string& text)
{
    MakeDesc(desc, typeChar, text.data(), text.size());
}

std::u16string UnitsOf(CFStringRef string)
{
    std::u16string units(static_cast<size_t>(CFStringGetLength(string)), u'\0');
    CFStringGetCharacters(string, CFRangeMake(0, CFStringGetLength(string)), reinterpret_cast<UniChar*>(units.data()));
    return units;
}

// The text of the descriptor as CreateCFStringFromAEDesc gives it; "<null>" when it gives none.
std::u16string TextOf(const StAEDesc& desc, SInt32 mode = CMUtils::kLineEndingsUnchanged)
{
    CFObj<CFStringRef> string(CMUtils::CreateCFStringFromAEDesc(*desc.Get(), mode));
    if (string.Get() == nullptr) {
        return u"<null>";
    }
    return UnitsOf(string);
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

const DescType kPrivateType = 'priv';

TEST(CMUtilsHasTextData, AnswersForTextTypesByTheirSizeAlone)
{
    StAEDesc emptyText, text, emptyUnicode, unicode, null;
    MakeTextDesc(emptyText, "");
    MakeTextDesc(text, "x");
    MakeUnicodeDesc(emptyUnicode, u"");
    MakeUnicodeDesc(unicode, u"y");
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*emptyText.Get()));
    EXPECT_TRUE(CMUtils::AEDescHasTextData(*text.Get()));
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*emptyUnicode.Get()));
    EXPECT_TRUE(CMUtils::AEDescHasTextData(*unicode.Get()));
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*null.Get()));
    EXPECT_EQ(TextOf(null), u"<null>");
}

TEST(CMUtilsHasTextData, OtherTypesCountWhenTheyCoerceToNonEmptyText)
{
    StAEDesc utf8, emptyUtf8, number, list;
    MakeDesc(utf8, typeUTF8Text, "\xC3\xA9t\xC3\xA9", 5);
    MakeDesc(emptyUtf8, typeUTF8Text, "", 0);
    SInt32 value = 42;
    MakeDesc(number, typeSInt32, &value, sizeof value);
    ASSERT_EQ(AECreateList(nullptr, 0, false, list), noErr);
    ASSERT_EQ(AEPutPtr(list, 0, typeChar, "inside", 6), noErr);

    EXPECT_TRUE(CMUtils::AEDescHasTextData(*utf8.Get()));
    EXPECT_EQ(TextOf(utf8), u"\u00E9t\u00E9");
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*emptyUtf8.Get()));
    EXPECT_EQ(TextOf(emptyUtf8), u"");
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*number.Get()));
    EXPECT_EQ(TextOf(number), u"<null>");
    // A list is not searched for text: only a coercion of the whole list would count.
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*list.Get()));
    EXPECT_EQ(TextOf(list), u"<null>");
}

TEST(CMUtilsHasTextData, AUnicodeCoercionOfTheWrongTypeIsNotRetriedAsText)
{
    StCoercionHandler toUnicode(kPrivateType, typeUnicodeText, &AnswerTextForUnicode);
    StCoercionHandler toText(kPrivateType, typeChar, &AnswerText);
    StAEDesc privateDesc;
    MakeDesc(privateDesc, kPrivateType, "data", 4);
    EXPECT_FALSE(CMUtils::AEDescHasTextData(*privateDesc.Get()));
    EXPECT_EQ(TextOf(privateDesc), u"<null>");
}

TEST(CMUtilsHasTextData, TextIsTheFallbackWhenUnicodeCoercionFails)
{
    StCoercionHandler toUnicode(kPrivateType, typeUnicodeText, &Refuse);
    StCoercionHandler toText(kPrivateType, typeChar, &AnswerText);
    StAEDesc privateDesc;
    MakeDesc(privateDesc, kPrivateType, "data", 4);
    EXPECT_TRUE(CMUtils::AEDescHasTextData(*privateDesc.Get()));
    EXPECT_EQ(TextOf(privateDesc), u"plain");
}

TEST(CMUtilsStringFromDesc, CoercedUnicodeLosesItsByteOrderMarkToo)
{
    StCoercionHandler toUnicode(kPrivateType, typeUnicodeText, &AnswerMarkedUnicode);
    StAEDesc privateDesc;
    MakeDesc(privateDesc, kPrivateType, "data", 4);
    EXPECT_EQ(TextOf(privateDesc), u"ok");
}

TEST(CMUtilsStringFromDesc, ByteOrderMarksAndOddSizes)
{
    StAEDesc marked, markOnly, fiveBytes, swappedMark, oneByte, empty;
    MakeUnicodeDesc(marked, u"\uFEFFhello");
    MakeUnicodeDesc(markOnly, u"\uFEFF");
    MakeDesc(fiveBytes, typeUnicodeText, u"abc", 5);
    MakeUnicodeDesc(swappedMark, u"\uFFFEx");
    MakeDesc(oneByte, typeUnicodeText, "\xFF", 1);
    MakeUnicodeDesc(empty, u"");

    EXPECT_EQ(TextOf(marked), u"hello");
    EXPECT_EQ(TextOf(markOnly), u"");  // an empty string, not none
    EXPECT_EQ(TextOf(fiveBytes), u"ab");
    EXPECT_EQ(TextOf(swappedMark), u"\uFFFEx");
    EXPECT_EQ(TextOf(oneByte), u"");
    EXPECT_EQ(TextOf(empty), u"");
    // A mark further on is text.
    StAEDesc markInside;
    MakeUnicodeDesc(markInside, u"a\uFEFF");
    EXPECT_EQ(TextOf(markInside), u"a\uFEFF");
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

TEST(CMUtilsStringFromDesc, EightBitTextIsReadInTheSystemEncoding)
{
    StAEDesc text, empty;
    MakeTextDesc(text, "caf\x8E \xDB");  // Mac OS Roman e-acute and euro sign
    MakeTextDesc(empty, "");
    EXPECT_EQ(TextOf(text), u"caf\u00E9 \u20AC");
    EXPECT_EQ(TextOf(empty), u"");
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

TEST(CMUtilsUTF16, BuffersHoldEveryUnitAndEmptyStringsStillGetOne)
{
    UInt32 length = 12345;
    EXPECT_EQ(CMUtils::CreateUTF16DataFromCFString(nullptr, &length), nullptr);
    EXPECT_EQ(length, 12345u);

    UniChar* empty = CMUtils::CreateUTF16DataFromCFString(CFSTR(""), &length);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(length, 0u);
    std::free(empty);

    CFObj<CFStringRef> string(CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(u"h\u00E9\U0001F600"), 4));
    UniChar* units = CMUtils::CreateUTF16DataFromCFString(string, &length);
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(units), length), u"h\u00E9\U0001F600");
    std::free(units);

    units = CMUtils::CreateUTF16DataFromCFString(string, nullptr);
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(units[0], u'h');
    std::free(units);
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

TEST(CMUtilsUTF8, TerminatedBuffersAndTheirByteLengths)
{
    UInt32 length = 99;
    EXPECT_EQ(CMUtils::CreateUTF8CStringFromCFString(CFSTR(""), &length), nullptr);
    EXPECT_EQ(length, 0u);
    length = 99;
    EXPECT_EQ(CMUtils::CreateUTF8CStringFromCFString(nullptr, &length), nullptr);
    EXPECT_EQ(length, 0u);

    char* accent = CMUtils::CreateUTF8CStringFromCFString(CFSTR("\u00E9"), &length);
    ASSERT_NE(accent, nullptr);
    EXPECT_EQ(length, 2u);
    EXPECT_STREQ(accent, "\xC3\xA9");
    std::free(accent);

    CFObj<CFStringRef> wide(CFStringCreateWithCharacters(nullptr, reinterpret_cast<const UniChar*>(u"/k\U0001F600"), 4));
    char* path = CMUtils::CreateUTF8CStringFromCFString(wide, &length);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(length, 6u);
    EXPECT_STREQ(path, "/k\xF0\x9F\x98\x80");
    std::free(path);

    char* noLength = CMUtils::CreateUTF8CStringFromCFString(CFSTR("abc"), nullptr);
    ASSERT_NE(noLength, nullptr);
    EXPECT_STREQ(noLength, "abc");
    std::free(noLength);
}

TEST(CMUtilsUTF8, ALoneSurrogateCannotBeConvertedAndGivesNone)
{
    const UniChar lone[] = {u'a', 0xD800};
    CFObj<CFStringRef> broken(CFStringCreateWithCharacters(nullptr, lone, 2));
    UInt32 length = 99;
    EXPECT_EQ(CMUtils::CreateUTF8CStringFromCFString(broken, &length), nullptr);
    EXPECT_EQ(length, 0u);
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

TEST(CMUtilsDebug, NumbersAndStringsGoToStandardError)
{
    testing::internal::CaptureStderr();
    CMUtils::DebugLongNumber(-2147483647 - 1);
    CMUtils::DebugLongNumber(0);
    CMUtils::DebugCFString(nullptr);
    CMUtils::DebugCFString(CFSTR("shown"));
    std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(written.rfind("-2147483648\n0\n", 0), 0u) << written;
    EXPECT_NE(written.find("shown"), std::string::npos) << written;
}

}  // namespace
