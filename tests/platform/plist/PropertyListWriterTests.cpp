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

CFOwner<CFTypeRef> Dictionary(const std::vector<std::pair<CFTypeRef, CFTypeRef>>& pairs)
{
    std::vector<const void*> keys;
    std::vector<const void*> values;
    for (auto& [key, value] : pairs) {
        keys.push_back(key);
        values.push_back(value);
    }
    return AdoptCF<CFTypeRef>(CFDictionaryCreate(nullptr, keys.data(), values.data(), static_cast<CFIndex>(keys.size()),
                                                 &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
}

CFOwner<CFTypeRef> Array(const std::vector<CFTypeRef>& items)
{
    std::vector<const void*> values(items.begin(), items.end());
    return AdoptCF<CFTypeRef>(
        CFArrayCreate(nullptr, values.data(), static_cast<CFIndex>(values.size()), &kCFTypeArrayCallBacks));
}

TEST(PropertyListWriter, EveryTypeSurvivesAWriteAndARead)
{
    std::string allBytes;
    for (int i = 0; i < 256; ++i) {
        allBytes += static_cast<char>(i);
    }
    auto plain = String("Greeting");
    auto marked = String("a<b>&c \"quoted\" 'single' \t tab\r\nnew line \x01\x1f\x7f");
    auto unicode = String("Café “quotes” 😀 日本語");
    auto empty = String("");
    auto minusOne = Integer(-1);
    auto smallest = Integer(LLONG_MIN);
    auto largest = Integer(LLONG_MAX);
    auto tenth = Real(0.1);
    auto third = Real(1.0 / 3.0);
    auto tiny = Real(5e-324);
    auto huge = Real(-1e300);
    auto bytes = Data(allBytes);
    auto noBytes = Data("");
    auto date = AdoptCF<CFTypeRef>(CFDateCreate(nullptr, 818237700.0));
    auto before2001 = AdoptCF<CFTypeRef>(CFDateCreate(nullptr, -86400.0 * 365));
    auto emptyArray = Array({});
    auto emptyDictionary = Dictionary({});
    auto inner = Array({plain.Get(), minusOne.Get(), kCFBooleanTrue, emptyArray.Get()});
    auto nested = Dictionary({{CFSTR("inner"), inner.Get()}, {CFSTR("empty"), emptyDictionary.Get()}});
    auto original = Dictionary({
        {CFSTR("plain"), plain.Get()},       {CFSTR("marked"), marked.Get()},
        {CFSTR("unicode"), unicode.Get()},   {CFSTR("empty"), empty.Get()},
        {CFSTR("minusOne"), minusOne.Get()}, {CFSTR("smallest"), smallest.Get()},
        {CFSTR("largest"), largest.Get()},   {CFSTR("tenth"), tenth.Get()},
        {CFSTR("third"), third.Get()},       {CFSTR("tiny"), tiny.Get()},
        {CFSTR("huge"), huge.Get()},         {CFSTR("yes"), kCFBooleanTrue},
        {CFSTR("no"), kCFBooleanFalse},      {CFSTR("bytes"), bytes.Get()},
        {CFSTR("noBytes"), noBytes.Get()},   {CFSTR("date"), date.Get()},
        {CFSTR("before2001"), before2001.Get()}, {CFSTR("nested"), nested.Get()},
        {unicode.Get(), marked.Get()},
    });
    ASSERT_TRUE(original);

    std::string xml = Write(original.Get());
    ASSERT_FALSE(xml.empty());
    std::string error;
    auto back = Parse(xml, kCFPropertyListImmutable, &error);
    ASSERT_TRUE(back) << error << "\n" << xml;
    EXPECT_TRUE(CFEqual(back.Get(), original.Get())) << xml;
    // Numbers keep their kind, not only their value.
    EXPECT_FALSE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(back.Get(), "minusOne"))));
    EXPECT_TRUE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(back.Get(), "tenth"))));
    // And a second write of what was read gives the same text.
    EXPECT_EQ(Write(back.Get()), xml);
}

TEST(PropertyListWriter, UsesTheOriginalLayoutAndSortsKeysByTheirUTF16Units)
{
    // U+FB00 sorts after the surrogates of U+1F600 in UTF-16, though not in UTF-8.
    auto ligature = String("\xEF\xAC\x80");
    auto emoji = String("\xF0\x9F\x98\x80");
    auto accented = String("\xC3\xA9");
    auto one = Integer(1);
    auto forward = Dictionary({{CFSTR("b"), one.Get()}, {CFSTR("a"), one.Get()}, {ligature.Get(), one.Get()},
                              {emoji.Get(), one.Get()}, {CFSTR("B"), one.Get()}, {accented.Get(), one.Get()}});
    auto backward = Dictionary({{accented.Get(), one.Get()}, {CFSTR("B"), one.Get()}, {emoji.Get(), one.Get()},
                               {ligature.Get(), one.Get()}, {CFSTR("a"), one.Get()}, {CFSTR("b"), one.Get()}});
    std::string xml = Write(forward.Get());
    EXPECT_EQ(xml, Write(backward.Get()));
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
    auto one = Integer(1);
    auto numberKey = Dictionary({{one.Get(), one.Get()}});
    auto nul = StringFromUnits(std::u16string(u"a\0b", 3));
    auto lone = StringFromUnits(std::u16string(1, static_cast<char16_t>(0xD800)));
    auto nulKey = Dictionary({{nul.Get(), one.Get()}});
    auto farFuture = AdoptCF<CFTypeRef>(CFDateCreate(nullptr, 1e12));
    auto nanDate = AdoptCF<CFTypeRef>(CFDateCreate(nullptr, NAN));
    auto uuid = AdoptCF<CFTypeRef>(CFUUIDCreate(nullptr));
    auto inArray = Array({one.Get(), uuid.Get()});
    for (CFTypeRef bad : {numberKey.Get(), nul.Get(), lone.Get(), nulKey.Get(), farFuture.Get(), nanDate.Get(),
                          uuid.Get(), inArray.Get()}) {
        EXPECT_EQ(Write(bad), "");
    }
    EXPECT_EQ(CFPropertyListCreateXMLData(nullptr, nullptr), nullptr);
}

TEST(PropertyListWriter, AnArrayThatHoldsItselfIsRefusedNotRecursedForever)
{
    auto array = AdoptCF<CFTypeRef>(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
    auto mutableArray = static_cast<CFMutableArrayRef>(const_cast<void*>(array.Get()));
    CFArrayAppendValue(mutableArray, mutableArray);
    EXPECT_EQ(Write(array.Get()), "");
    EXPECT_EQ(CFPropertyListCreateDeepCopy(nullptr, array.Get(), kCFPropertyListMutableContainers), nullptr);
    CFArrayRemoveAllValues(mutableArray);  // break the cycle so the array can go
}

}  // namespace
