// The text encodings: Mac OS Roman in both directions, strict UTF-8, UTF-16 with and without
// byte-order marks, and how encoding reports characters it cannot represent.
#include "text/Encodings.h"
#include "text/MacRoman.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <set>
#include <string>

namespace {

using platform::DecodeText;
using platform::EncodeAllText;
using platform::EncodeResult;
using platform::EncodeText;

std::u16string Decode(std::string_view bytes, CFStringEncoding encoding, bool external = false)
{
    std::u16string out;
    EXPECT_TRUE(DecodeText(bytes, encoding, external, out)) << "bytes of length " << bytes.size();
    return out;
}

bool Decodes(std::string_view bytes, CFStringEncoding encoding, bool external = false)
{
    std::u16string out;
    return DecodeText(bytes, encoding, external, out);
}

std::string Encode(std::u16string_view units, CFStringEncoding encoding, std::uint8_t lossByte = 0,
                   bool external = false)
{
    std::string out;
    EXPECT_TRUE(EncodeAllText(units, encoding, lossByte, external, out));
    return out;
}

// UTF-16 units as bytes in host order.
std::string HostBytes(std::u16string_view units)
{
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

std::string SwappedBytes(std::u16string_view units)
{
    std::string bytes;
    for (char16_t unit : units) {
        std::string pair = HostBytes(std::u16string_view(&unit, 1));
        bytes += pair[1];
        bytes += pair[0];
    }
    return bytes;
}

TEST(MacRoman, KnownBytesMapToTheirUnicodeCharactersAndOthersAreNotRepresentable)
{
    struct Point {
        std::uint8_t byte;
        char16_t unit;
    };
    const Point points[] = {
        {0x41, u'A'},    {0x7F, 0x007F},  {0x80, 0x00C4}, {0x8E, 0x00E9}, {0xA0, 0x2020}, {0xA5, 0x2022},
        {0xA7, 0x00DF},  {0xAA, 0x2122},  {0xB5, 0x00B5}, {0xBD, 0x03A9}, {0xC4, 0x0192}, {0xC9, 0x2026},
        {0xCA, 0x00A0},  {0xCE, 0x0152}, {0xD0, 0x2013}, {0xD2, 0x201C}, {0xD5, 0x2019}, {0xD9, 0x0178},
        {0xDB, 0x20AC},  {0xDE, 0xFB01}, {0xE1, 0x00B7}, {0xF0, 0xF8FF}, {0xF5, 0x0131}, {0xFF, 0x02C7},
    };
    for (const Point& point : points) {
        EXPECT_EQ(platform::MacRomanToUnicode(point.byte), point.unit) << std::hex << int{point.byte};
        std::uint8_t back = 0;
        EXPECT_TRUE(platform::UnicodeToMacRoman(point.unit, back));
        EXPECT_EQ(back, point.byte);
    }

    std::uint8_t byte = 0;
    // The currency sign held 0xDB before the euro replaced it; it must not come back.
    EXPECT_FALSE(platform::UnicodeToMacRoman(0x00A4, byte));
    EXPECT_FALSE(platform::UnicodeToMacRoman(0x0100, byte));
    EXPECT_FALSE(platform::UnicodeToMacRoman(0x00D7, byte));  // multiplication sign
    EXPECT_FALSE(platform::UnicodeToMacRoman(0xFFFF, byte));
}

TEST(MacRoman, EveryByteRoundTripsAndTheHighHalfIsDistinctNonASCII)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
    }
    std::u16string units = Decode(all, kCFStringEncodingMacRoman);
    ASSERT_EQ(units.size(), 256u);
    std::set<char16_t> high(units.begin() + 0x80, units.end());
    EXPECT_EQ(high.size(), 128u);
    EXPECT_GE(*high.begin(), 0x00A0);
    EXPECT_EQ(Encode(units, kCFStringEncodingMacRoman), all);
}

TEST(UTF8Encoding, FourByteSequencesArePairsAndAMarkIsRemovedOnlyFromAnExternalRepresentation)
{
    // What strict decoding refuses (overlong forms, surrogates, cut-off sequences) is met by the
    // round trip of arbitrary bytes below.
    std::u16string units = Decode("\xF0\x9F\x98\x80!", kCFStringEncodingUTF8);
    EXPECT_EQ(units, (std::u16string{0xD83D, 0xDE00, u'!'}));
    EXPECT_EQ(Encode(units, kCFStringEncodingUTF8), "\xF0\x9F\x98\x80!");

    // A byte order mark is removed only from an external representation.
    EXPECT_EQ(Decode("\xEF\xBB\xBFhi", kCFStringEncodingUTF8, true), u"hi");
    EXPECT_EQ(Decode("\xEF\xBB\xBFhi", kCFStringEncodingUTF8, false), u"\uFEFFhi");
    EXPECT_EQ(Decode("hi", kCFStringEncodingUTF8, true), u"hi");
    // Writing UTF-8 never adds a mark.
    EXPECT_EQ(Encode(u"hi", kCFStringEncodingUTF8, 0, true), "hi");
}

TEST(UTF16Encoding, EitherMarkOrAnExplicitOrderIsHonouredAndWritingIsInHostOrder)
{
    const std::u16string text = u"A\u00E9\u20AC";
    EXPECT_EQ(Decode(HostBytes(u"\uFEFF" + text), kCFStringEncodingUnicode, true), text);
    EXPECT_EQ(Decode(SwappedBytes(u"\uFEFF" + text), kCFStringEncodingUnicode, true), text);
    // No mark: host order.
    EXPECT_EQ(Decode(HostBytes(text), kCFStringEncodingUnicode, true), text);
    // Not an external representation: the mark is an ordinary character.
    EXPECT_EQ(Decode(HostBytes(u"\uFEFF" + text), kCFStringEncodingUnicode, false), u"\uFEFF" + text);

    // Written, it starts with a host-order mark, unpaired surrogates and empty text included.
    std::u16string withUnpaired = {u'x', 0xD800};
    EXPECT_EQ(Encode(withUnpaired, kCFStringEncodingUnicode, 0, true), HostBytes(u"\uFEFF" + withUnpaired));
    EXPECT_EQ(Encode(u"", kCFStringEncodingUnicode, 0, true), HostBytes(u"\uFEFF"));

    // Odd byte counts fail; explicit orders are obeyed.
    EXPECT_FALSE(Decodes(std::string("\xFF\xFE\x41", 3), kCFStringEncodingUnicode, true));
    EXPECT_EQ(Decode(std::string("\x00\x41\x20\xAC", 4), kCFStringEncodingUTF16BE), u"A\u20AC");
    EXPECT_EQ(Decode(std::string("\x41\x00\xAC\x20", 4), kCFStringEncodingUTF16LE), u"A\u20AC");
    EXPECT_EQ(Encode(u"A\u20AC", kCFStringEncodingUTF16BE), std::string("\x00\x41\x20\xAC", 4));
    EXPECT_EQ(Encode(u"A", kCFStringEncodingUTF16LE, 0, true), std::string("\xFF\xFE\x41\x00", 4));
}

TEST(ASCIIEncoding, OnlySevenBitBytesAndCharactersPass)
{
    EXPECT_EQ(Decode("plain", kCFStringEncodingASCII), u"plain");
    EXPECT_FALSE(Decodes("caf\xE9", kCFStringEncodingASCII));
    std::string out;
    EXPECT_FALSE(EncodeAllText(u"caf\u00E9", kCFStringEncodingASCII, 0, false, out));
    EXPECT_EQ(Encode(u"caf\u00E9", kCFStringEncodingISOLatin1), "caf\xE9");
}

TEST(Encoding, WithoutALossByteConversionStopsAtTheFirstUnrepresentableCharacter)
{
    const std::u16string text = u"ab\u0100cd";
    std::uint8_t buffer[16] = {};
    EncodeResult result = EncodeText(text, kCFStringEncodingMacRoman, 0, false, buffer, sizeof buffer);
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(result.unitsConverted, 2u);
    EXPECT_EQ(result.bytesUsed, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 2), "ab");
    std::string out;
    EXPECT_FALSE(EncodeAllText(text, kCFStringEncodingMacRoman, 0, false, out));

    // An unknown encoding converts nothing.
    const CFStringEncoding unknown = 0x7777;
    EXPECT_FALSE(platform::IsKnownEncoding(unknown));
    EXPECT_EQ(platform::MaxBytesPerUnit(unknown), 0u);
    EXPECT_FALSE(Decodes("x", unknown));
    EXPECT_FALSE(EncodeAllText(u"", unknown, '?', false, out));
}

TEST(Encoding, ALossByteStandsInForEachUnrepresentableCharacter)
{
    // A surrogate pair is one character and gets one loss byte.
    std::u16string text = u"\u0100x\U0001F600\u20AC";
    EXPECT_EQ(Encode(text, kCFStringEncodingMacRoman, '?'), "?x?\xDB");
    EXPECT_EQ(Encode(text, kCFStringEncodingASCII, '_'), "_x__");
    // An unpaired surrogate cannot be written as UTF-8.
    std::string out;
    EXPECT_FALSE(EncodeAllText(std::u16string{u'a', 0xDC00}, kCFStringEncodingUTF8, 0, false, out));
    EXPECT_EQ(Encode(std::u16string{u'a', 0xDC00}, kCFStringEncodingUTF8, '?'), "a?");
}

TEST(Encoding, ABufferTooSmallStopsBeforeACharacterThatWouldNotFit)
{
    const std::u16string text = u"a\U0001F600b";
    std::uint8_t buffer[4] = {};
    EncodeResult result = EncodeText(text, kCFStringEncodingUTF8, 0, false, buffer, 4);
    EXPECT_EQ(result.unitsConverted, 1u);  // the pair needs four bytes and is never split
    EXPECT_EQ(result.bytesUsed, 1u);
    EXPECT_FALSE(result.complete);

    EncodeResult measured = EncodeText(text, kCFStringEncodingUTF8, 0, false, nullptr, 0);
    EXPECT_EQ(measured.bytesUsed, 6u);
    EXPECT_EQ(measured.unitsConverted, text.size());
    EXPECT_TRUE(measured.complete);

    // The mark of a UTF-16 external representation must fit too.
    EncodeResult noRoom = EncodeText(u"a", kCFStringEncodingUnicode, 0, true, buffer, 1);
    EXPECT_EQ(noRoom.bytesUsed, 0u);
    EXPECT_EQ(noRoom.unitsConverted, 0u);
}

TEST(Encoding, WhateverBytesDecodeEncodeBackToTheSameBytes)
{
    // Clipboard flavors and .strings files can hold any bytes. Random input, rich in UTF-8 lead and
    // continuation bytes, must never crash a decoder, and anything a decoder accepts must be the
    // one encoding of its text (strict UTF-8 accepts no overlong or surrogate forms).
    const CFStringEncoding encodings[] = {kCFStringEncodingUTF8, kCFStringEncodingMacRoman, kCFStringEncodingASCII,
                                          kCFStringEncodingUnicode, kCFStringEncodingUTF16BE};
    const std::uint8_t alphabet[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0xA0, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0,
                                     0xED, 0xEF, 0xBB, 0xF0, 0xF4, 0xF5, 0xFE, 0xFF, 0x9F, 0xD8, 0xDC};
    std::mt19937 random(20261206);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(random() % 9, '\0');
        for (char& byte : bytes) {
            byte = static_cast<char>(alphabet[random() % sizeof alphabet]);
        }
        for (CFStringEncoding encoding : encodings) {
            std::u16string units;
            if (!DecodeText(bytes, encoding, false, units)) {
                continue;
            }
            ++accepted;
            std::string back;
            ASSERT_TRUE(EncodeAllText(units, encoding, 0, false, back));
            ASSERT_EQ(back, bytes) << "encoding " << std::hex << encoding;
        }
        std::u16string ignored;
        DecodeText(bytes, kCFStringEncodingUnicode, true, ignored);
        DecodeText(bytes, kCFStringEncodingUTF8, true, ignored);
    }
    EXPECT_GT(accepted, 20000);  // the loop did reach the round trips
}

}  // namespace
