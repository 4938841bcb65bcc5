// Writing XML property lists: every type survives a write and a read, the layout is the original
// platform's with sorted keys, and what XML cannot carry is refused rather than changed.
#include "PlistTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

using namespace plisttest;

namespace {

Ref Dictionary(const std::vector<std::pair<CFTypeRef, CFTypeRef>>& pairs)
{
    std::vector<const void*> keys;
    std::vector<const void*> values;
    for (auto& [key, value] : pairs) {
        keys.push_back(key);
        values.push_back(value);
    }
    return Ref(CFDictionaryCreate(nullptr, keys.data(), values.data(), static_cast<CFIndex>(keys.size()),
                                  &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
}

Ref Array(const std::vector<CFTypeRef>& items)
{
    std::vector<const void*> values(items.begin(), items.end());
    return Ref(CFArrayCreate(nullptr, values.data(), static_cast<CFIndex>(values.size()), &kCFTypeArrayCallBacks));
}

TEST(PropertyListWriter, EveryTypeSurvivesAWriteAndARead)
{
    std::string allBytes;
    for (int i = 0; i < 256; ++i) {
        allBytes += static_cast<char>(i);
    }
    Ref plain = String("Greeting");
    Ref marked = String("a<b>&c \"quoted\" 'single' \t tab\r\nnew line \x01\x1f\x7f");
    Ref unicode = String("Café “quotes” 😀 日本語");
    Ref empty = String("");
    Ref minusOne = Integer(-1);
    Ref smallest = Integer(LLONG_MIN);
    Ref largest = Integer(LLONG_MAX);
    Ref tenth = Real(0.1);
    Ref third = Real(1.0 / 3.0);
    Ref tiny = Real(5e-324);
    Ref huge = Real(-1e300);
    Ref bytes = Data(allBytes);
    Ref noBytes = Data("");
    Ref date(CFDateCreate(nullptr, 818237700.0));
    Ref before2001(CFDateCreate(nullptr, -86400.0 * 365));
    Ref emptyArray = Array({});
    Ref emptyDictionary = Dictionary({});
    Ref inner = Array({plain.get(), minusOne.get(), kCFBooleanTrue, emptyArray.get()});
    Ref nested = Dictionary({{CFSTR("inner"), inner.get()}, {CFSTR("empty"), emptyDictionary.get()}});
    Ref original = Dictionary({
        {CFSTR("plain"), plain.get()},       {CFSTR("marked"), marked.get()},
        {CFSTR("unicode"), unicode.get()},   {CFSTR("empty"), empty.get()},
        {CFSTR("minusOne"), minusOne.get()}, {CFSTR("smallest"), smallest.get()},
        {CFSTR("largest"), largest.get()},   {CFSTR("tenth"), tenth.get()},
        {CFSTR("third"), third.get()},       {CFSTR("tiny"), tiny.get()},
        {CFSTR("huge"), huge.get()},         {CFSTR("yes"), kCFBooleanTrue},
        {CFSTR("no"), kCFBooleanFalse},      {CFSTR("bytes"), bytes.get()},
        {CFSTR("noBytes"), noBytes.get()},   {CFSTR("date"), date.get()},
        {CFSTR("before2001"), before2001.get()}, {CFSTR("nested"), nested.get()},
        {unicode.get(), marked.get()},
    });
    ASSERT_TRUE(original);

    std::string xml = Write(original.get());
    ASSERT_FALSE(xml.empty());
    std::string error;
    Ref back = Parse(xml, kCFPropertyListImmutable, &error);
    ASSERT_TRUE(back) << error << "\n" << xml;
    EXPECT_TRUE(CFEqual(back.get(), original.get())) << xml;
    // Numbers keep their kind, not only their value.
    EXPECT_FALSE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(back.get(), "minusOne"))));
    EXPECT_TRUE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(back.get(), "tenth"))));
    // And a second write of what was read gives the same text.
    EXPECT_EQ(Write(back.get()), xml);
}

TEST(PropertyListWriter, UsesTheOriginalLayoutAndSortsKeysByTheirUTF16Units)
{
    // U+FB00 sorts after the surrogates of U+1F600 in UTF-16, though not in UTF-8.
    Ref ligature = String("\xEF\xAC\x80");
    Ref emoji = String("\xF0\x9F\x98\x80");
    Ref accented = String("\xC3\xA9");
    Ref one = Integer(1);
    Ref forward = Dictionary({{CFSTR("b"), one.get()}, {CFSTR("a"), one.get()}, {ligature.get(), one.get()},
                              {emoji.get(), one.get()}, {CFSTR("B"), one.get()}, {accented.get(), one.get()}});
    Ref backward = Dictionary({{accented.get(), one.get()}, {CFSTR("B"), one.get()}, {emoji.get(), one.get()},
                               {ligature.get(), one.get()}, {CFSTR("a"), one.get()}, {CFSTR("b"), one.get()}});
    std::string xml = Write(forward.get());
    EXPECT_EQ(xml, Write(backward.get()));
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC", 0), 0u) << xml;
    EXPECT_NE(xml.find("<plist version=\"1.0\">\n<dict>\n\t<key>B</key>\n\t<integer>1</integer>\n"), std::string::npos)
        << xml;
    std::vector<size_t> positions;
    for (const char* key : {"<key>B<", "<key>a<", "<key>b<", "<key>\xC3\xA9<", "<key>\xF0\x9F\x98\x80<",
                            "<key>\xEF\xAC\x80<"}) {
        positions.push_back(xml.find(key));
        ASSERT_NE(positions.back(), std::string::npos) << key;
    }
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << xml;
}

TEST(PropertyListWriter, RefusesWhatXMLCannotCarryInsteadOfChangingIt)
{
    Ref one = Integer(1);
    Ref numberKey = Dictionary({{one.get(), one.get()}});
    Ref nul = StringFromUnits(std::u16string(u"a\0b", 3));
    Ref lone = StringFromUnits(std::u16string(1, static_cast<char16_t>(0xD800)));
    Ref nulKey = Dictionary({{nul.get(), one.get()}});
    Ref farFuture(CFDateCreate(nullptr, 1e12));
    Ref nanDate(CFDateCreate(nullptr, NAN));
    Ref uuid(CFUUIDCreate(nullptr));
    Ref inArray = Array({one.get(), uuid.get()});
    for (CFTypeRef bad : {numberKey.get(), nul.get(), lone.get(), nulKey.get(), farFuture.get(), nanDate.get(),
                          uuid.get(), inArray.get()}) {
        EXPECT_EQ(Write(bad), "");
        EXPECT_FALSE(CFPropertyListIsValid(bad, kCFPropertyListXMLFormat_v1_0));
    }
    EXPECT_EQ(CFPropertyListCreateXMLData(nullptr, nullptr), nullptr);
    EXPECT_TRUE(CFPropertyListIsValid(one.get(), kCFPropertyListXMLFormat_v1_0));
    EXPECT_TRUE(CFPropertyListIsValid(one.get(), kCFPropertyListBinaryFormat_v1_0));
    // The OpenStep format has no numbers.
    EXPECT_FALSE(CFPropertyListIsValid(one.get(), kCFPropertyListOpenStepFormat));
    Ref text = String("x");
    Ref strings = Array({text.get()});
    EXPECT_TRUE(CFPropertyListIsValid(strings.get(), kCFPropertyListOpenStepFormat));
}

TEST(PropertyListWriter, AnArrayThatHoldsItselfIsRefusedNotRecursedForever)
{
    Ref array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    auto mutableArray = static_cast<CFMutableArrayRef>(const_cast<void*>(array.get()));
    CFArrayAppendValue(mutableArray, mutableArray);
    EXPECT_EQ(Write(array.get()), "");
    EXPECT_FALSE(CFPropertyListIsValid(array.get(), kCFPropertyListXMLFormat_v1_0));
    EXPECT_EQ(CFPropertyListCreateDeepCopy(nullptr, array.get(), kCFPropertyListMutableContainers), nullptr);
    CFArrayRemoveAllValues(mutableArray);  // break the cycle so the array can go
}

}  // namespace
