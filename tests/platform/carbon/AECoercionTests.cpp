// Coercion between the text types: Mac OS Roman both ways across the whole upper half, byte-order
// marks, odd byte counts, UTF-8, characters Mac OS Roman cannot hold, and every pair that must fail.
#include <Carbon/AEDataModel.h>

#include "ScopedDesc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::u16string UnitsOf(const ScopedDesc& desc)
{
    std::vector<unsigned char> bytes = desc.bytes();
    std::u16string units(bytes.size() / 2, u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    return units;
}

// Bytes are coerced as a caller holding them would: made into a descriptor first.
OSErr CoerceBytes(DescType type, const void* data, Size size, DescType toType, AEDesc* result)
{
    ScopedDesc source;
    if (OSErr err = AECreateDesc(type, data, size, &source); err != noErr) {
        return err;
    }
    return AECoerceDesc(&source, toType, result);
}

OSErr CoerceUnits(const std::u16string& units, DescType toType, ScopedDesc& result)
{
    return CoerceBytes(typeUnicodeText, units.data(), Size(units.size() * 2), toType, &result);
}

TEST(AECoercion, MacRomanUpperHalfBecomesTheRightUnicodeAndComesBackUnchanged)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    ScopedDesc unicode;
    ASSERT_EQ(CoerceBytes(typeChar, all.data(), Size(all.size()), typeUnicodeText, &unicode), noErr);
    ASSERT_EQ(unicode.type(), typeUnicodeText);
    std::u16string units = UnitsOf(unicode);
    ASSERT_EQ(units.size(), all.size());  // one unit per byte, and no byte-order mark in front
    // Read as Mac OS Roman, not Latin-1 (the table itself is checked with the text encodings).
    EXPECT_EQ(units[0x41 - 1], u'A');
    EXPECT_EQ(units[0xDB - 1], u'\u20AC');  // euro sign

    ScopedDesc back;
    ASSERT_EQ(AECoerceDesc(&unicode, typeChar, &back), noErr);
    EXPECT_EQ(back.type(), typeChar);
    EXPECT_EQ(back.bytes(), Bytes(all));
}

TEST(AECoercion, UnicodeTextBecomesMacRomanOnlyWhenEveryCharacterFits)
{
    ScopedDesc text;
    ASSERT_EQ(CoerceUnits(u"Caf\u00E9 \u20AC5\r", typeChar, text), noErr);
    EXPECT_EQ(text.bytes(), (std::vector<unsigned char>{'C', 'a', 'f', 0x8E, ' ', 0xDB, '5', '\r'}));

    for (const std::u16string& unfit : {std::u16string(u"\u4E2D"), std::u16string(u"ok \U0001F600"),
                                        std::u16string(1, u'\xD800'), std::u16string(u"\u20AD")}) {
        ScopedDesc failed;
        EXPECT_EQ(CoerceUnits(unfit, typeChar, failed), errAECoercionFail);
        EXPECT_EQ(failed.type(), typeNull);
        EXPECT_EQ(failed.get().dataHandle, nullptr);
    }
}

TEST(AECoercion, AHostOrderByteOrderMarkIsDroppedAndASwappedOneIsNot)
{
    ScopedDesc text;
    ASSERT_EQ(CoerceUnits(u"\uFEFFhi", typeChar, text), noErr);
    EXPECT_EQ(text.bytes(), Bytes("hi"));
    ScopedDesc onlyMark;
    ASSERT_EQ(CoerceUnits(u"\uFEFF", typeChar, onlyMark), noErr);
    EXPECT_EQ(onlyMark.bytes().size(), 0u);
    // Only the first unit can be a mark; a later U+FEFF is a character Mac OS Roman lacks.
    ScopedDesc later;
    EXPECT_EQ(CoerceUnits(u"h\uFEFFi", typeChar, later), errAECoercionFail);
    // U+FFFE is what a mark in the other byte order reads as; it is not recognised.
    ScopedDesc swapped;
    EXPECT_EQ(CoerceUnits(u"\uFFFEhi", typeChar, swapped), errAECoercionFail);

    // The same type is copied as it stands, mark included.
    std::u16string marked = u"\uFEFFx";
    ScopedDesc unicode;
    ASSERT_EQ(AECreateDesc(typeUnicodeText, marked.data(), 4, &unicode), noErr);
    ScopedDesc copy;
    ASSERT_EQ(AECoerceDesc(&unicode, typeUnicodeText, &copy), noErr);
    EXPECT_EQ(UnitsOf(copy), marked);
}

TEST(AECoercion, AnOddLastByteIsIgnoredAndEmptyTextKeepsADataStore)
{
    const char16_t units[] = u"ab";
    ScopedDesc text;
    ASSERT_EQ(CoerceBytes(typeUnicodeText, units, 5, typeChar, &text), noErr);
    EXPECT_EQ(text.bytes(), Bytes("ab"));
    ScopedDesc one;
    ASSERT_EQ(CoerceBytes(typeUnicodeText, units, 1, typeChar, &one), noErr);
    EXPECT_EQ(one.bytes().size(), 0u);

    ScopedDesc empty;
    ASSERT_EQ(AECreateDesc(typeChar, nullptr, 0, &empty), noErr);
    ScopedDesc unicode;
    ASSERT_EQ(AECoerceDesc(&empty, typeUnicodeText, &unicode), noErr);
    EXPECT_EQ(unicode.type(), typeUnicodeText);
    EXPECT_NE(unicode.get().dataHandle, nullptr);
    EXPECT_EQ(AEGetDescDataSize(&unicode), 0);
}

TEST(AECoercion, UTF8BecomesEitherTextTypeAndMalformedUTF8Fails)
{
    const std::string utf8 = "\xEF\xBB\xBF" "caf\xC3\xA9 \xE2\x82\xAC";  // mark, "café €"
    ScopedDesc unicode;
    ASSERT_EQ(CoerceBytes(typeUTF8Text, utf8.data(), Size(utf8.size()), typeUnicodeText, &unicode), noErr);
    EXPECT_EQ(UnitsOf(unicode), u"caf\u00E9 \u20AC");
    ScopedDesc roman;
    ASSERT_EQ(CoerceBytes(typeUTF8Text, utf8.data(), Size(utf8.size()), typeChar, &roman), noErr);
    EXPECT_EQ(roman.bytes(), (std::vector<unsigned char>{'c', 'a', 'f', 0x8E, ' ', 0xDB}));

    for (const std::string& bad : {std::string("\xC3"), std::string("a\xFF"), std::string("\xC0\xAF"),
                                   std::string("\xED\xA0\x80")}) {
        ScopedDesc failed;
        EXPECT_EQ(CoerceBytes(typeUTF8Text, bad.data(), Size(bad.size()), typeUnicodeText, &failed),
                  errAECoercionFail);
        EXPECT_EQ(failed.type(), typeNull);
    }
    const std::string han = "\xE4\xB8\xAD";
    ScopedDesc unfit;
    EXPECT_EQ(CoerceBytes(typeUTF8Text, han.data(), 3, typeChar, &unfit), errAECoercionFail);
}

TEST(AECoercion, EveryOtherPairFailsAndTheSameTypeOrWildCardCopies)
{
    SInt32 number = 42;
    ScopedDesc result;
    EXPECT_EQ(CoerceBytes(typeSInt32, &number, 4, typeChar, &result), errAECoercionFail);
    EXPECT_EQ(CoerceBytes(typeSInt32, &number, 4, typeUnicodeText, &result), errAECoercionFail);
    EXPECT_EQ(CoerceBytes(typeChar, "42", 2, typeSInt32, &result), errAECoercionFail);
    EXPECT_EQ(CoerceBytes(typeChar, "42", 2, typeUTF8Text, &result), errAECoercionFail);
    EXPECT_EQ(CoerceBytes(typeUnicodeText, u"42", 4, typeUTF8Text, &result), errAECoercionFail);
    EXPECT_EQ(result.type(), typeNull);

    ScopedDesc null;
    EXPECT_EQ(AECoerceDesc(&null, typeUnicodeText, &result), errAECoercionFail);
    ScopedDesc list(ScopedDesc::kList);
    ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "text", 4), noErr);
    EXPECT_EQ(AECoerceDesc(&list, typeUnicodeText, &result), errAECoercionFail);
    EXPECT_EQ(AECoerceDesc(&list, typeChar, &result), errAECoercionFail);

    ASSERT_EQ(CoerceBytes(typeSInt32, &number, 4, typeSInt32, &result), noErr);
    EXPECT_EQ(result.bytes().size(), 4u);
    ScopedDesc copy;
    ASSERT_EQ(AECoerceDesc(&list, typeWildCard, &copy), noErr);
    EXPECT_EQ(copy.type(), typeAEList);
    long count = 0;
    EXPECT_EQ(AECountItems(&copy, &count), noErr);
    EXPECT_EQ(count, 1);

    // Out descriptors are overwritten, never disposed: a fresh one for the refusals.
    ScopedDesc refused;
    EXPECT_EQ(AECoerceDesc(nullptr, typeChar, &refused), paramErr);
    EXPECT_EQ(AECoerceDesc(&list, typeChar, nullptr), paramErr);
    EXPECT_EQ(refused.type(), typeNull);
}

TEST(AECoercion, ADescriptorCanBeCoercedOntoItself)
{
    ScopedDesc desc;
    ASSERT_EQ(AECreateDesc(typeChar, "\xDB" "1", 2, &desc), noErr);
    ASSERT_EQ(AECoerceDesc(&desc, typeUnicodeText, &desc), noErr);
    EXPECT_EQ(desc.type(), typeUnicodeText);
    EXPECT_EQ(UnitsOf(desc), u"\u20AC1");
    // A failure in place leaves the descriptor as it was.
    EXPECT_EQ(AECoerceDesc(&desc, typeSInt32, &desc), errAECoercionFail);
    EXPECT_EQ(desc.type(), typeUnicodeText);
    EXPECT_EQ(UnitsOf(desc), u"\u20AC1");
}

TEST(AECoercion, ListItemsAndRecordValuesAreCoercedOnTheWayOut)
{
    ScopedDesc record(ScopedDesc::kRecord);
    ASSERT_EQ(AEPutKeyPtr(&record, keyAEName, typeChar, "\x8E", 1), noErr);
    ScopedDesc name;
    ASSERT_EQ(AEGetKeyDesc(&record, keyAEName, typeUnicodeText, &name), noErr);
    EXPECT_EQ(UnitsOf(name), u"\u00E9");
    ScopedDesc first;
    ASSERT_EQ(AEGetNthDesc(&record, 1, typeUnicodeText, nullptr, &first), noErr);
    EXPECT_EQ(first.type(), typeUnicodeText);
    EXPECT_EQ(UnitsOf(first), u"\u00E9");
    ScopedDesc failed;
    EXPECT_EQ(AEGetKeyDesc(&record, keyAEName, typeSInt32, &failed), errAECoercionFail);
    EXPECT_EQ(failed.type(), typeNull);
}

// A handler that answers 'TEXT' whatever was asked for, counting its calls through the refcon.
OSErr AnswerTextInstead(const AEDesc* from, DescType toType, void* refcon, AEDesc* to)
{
    ++*static_cast<int*>(refcon);
    return AECreateDesc(typeChar, "instead", 7, to);
}

OSErr FailAfterMakingSomething(const AEDesc* from, DescType toType, void* refcon, AEDesc* to)
{
    AECreateDesc(typeChar, "partial", 7, to);
    return errAECorruptData;
}

// Handlers are process-wide: whatever a failed assertion left installed is removed here.
class AECoercionHandlers : public testing::Test {
protected:
    void TearDown() override
    {
        for (AECoercionHandlerUPP handler : {&AnswerTextInstead, &FailAfterMakingSomething}) {
            AERemoveCoercionHandler('xtra', typeUnicodeText, handler, false);
            AERemoveCoercionHandler(typeChar, typeUnicodeText, handler, false);
        }
    }
};

TEST_F(AECoercionHandlers, ComeFirstForTheirPairOnlyAndCanBeRemoved)
{
    int calls = 0;
    ASSERT_EQ(AEInstallCoercionHandler('xtra', typeUnicodeText, &AnswerTextInstead, &calls, true, false), noErr);
    ASSERT_EQ(AEInstallCoercionHandler(typeChar, typeUnicodeText, &AnswerTextInstead, &calls, true, false), noErr);

    ScopedDesc extra;
    ASSERT_EQ(AECreateDesc('xtra', "x", 1, &extra), noErr);
    ScopedDesc answered;
    ASSERT_EQ(AECoerceDesc(&extra, typeUnicodeText, &answered), noErr);
    EXPECT_EQ(answered.type(), typeChar);  // the handler's answer is passed on as it is
    EXPECT_EQ(answered.bytes(), Bytes("instead"));
    ScopedDesc fromBytes;
    ASSERT_EQ(CoerceBytes(typeChar, "abc", 3, typeUnicodeText, &fromBytes), noErr);
    EXPECT_EQ(fromBytes.bytes(), Bytes("instead"));
    ScopedDesc otherPair;
    EXPECT_EQ(AECoerceDesc(&extra, typeChar, &otherPair), errAECoercionFail);
    ScopedDesc sameType;
    ASSERT_EQ(AECoerceDesc(&extra, 'xtra', &sameType), noErr);
    EXPECT_EQ(calls, 2);

    EXPECT_EQ(AERemoveCoercionHandler(typeChar, typeUnicodeText, &FailAfterMakingSomething, false),
              errAEHandlerNotFound);
    ASSERT_EQ(AERemoveCoercionHandler(typeChar, typeUnicodeText, &AnswerTextInstead, false), noErr);
    ScopedDesc builtIn;
    ASSERT_EQ(CoerceBytes(typeChar, "abc", 3, typeUnicodeText, &builtIn), noErr);
    EXPECT_EQ(UnitsOf(builtIn), u"abc");

    // A failing handler's status is the caller's, and whatever it made is not leaked or returned.
    ASSERT_EQ(AEInstallCoercionHandler('xtra', typeUnicodeText, &FailAfterMakingSomething, nullptr, true, false),
              noErr);
    ScopedDesc failed;
    EXPECT_EQ(AECoerceDesc(&extra, typeUnicodeText, &failed), errAECorruptData);
    EXPECT_EQ(failed.type(), typeNull);
    ASSERT_EQ(AERemoveCoercionHandler('xtra', typeUnicodeText, &FailAfterMakingSomething, false), noErr);
    EXPECT_EQ(AERemoveCoercionHandler('xtra', typeUnicodeText, &FailAfterMakingSomething, false),
              errAEHandlerNotFound);
    EXPECT_EQ(AEInstallCoercionHandler('xtra', typeChar, &AnswerTextInstead, nullptr, false, false), paramErr);
    EXPECT_EQ(AEInstallCoercionHandler('xtra', typeChar, nullptr, nullptr, true, false), paramErr);
}

}  // namespace
