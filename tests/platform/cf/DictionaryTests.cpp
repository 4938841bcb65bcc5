// Dictionaries: callbacks decide ownership, hashing and equality; iteration follows the order in
// which keys were first added; replacement releases only after the new value is held.
#include "CollectionTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::AdoptCF;
using testing_cf::Describe;
using testing_cf::MakeString;

CFMutableDictionaryRef NewTypeDictionary()
{
    return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
}

std::vector<std::string> KeysInOrder(CFDictionaryRef dict)
{
    std::vector<const void*> keys(static_cast<size_t>(CFDictionaryGetCount(dict)));
    CFDictionaryGetKeysAndValues(dict, keys.data(), nullptr);
    std::vector<std::string> texts;
    for (const void* key : keys) {
        texts.push_back(Describe(key));
    }
    return texts;
}

TEST(Dictionary, NullCallbacksUseIdentityAndRetainNothing)
{
    auto key = AdoptCF<CFStringRef>(MakeString("k"));
    auto equalKey = AdoptCF<CFStringRef>(MakeString("k"));
    int plain = 3;
    auto dict = AdoptCF<CFMutableDictionaryRef>(CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr));
    CFDictionarySetValue(dict.Get(), key.Get(), &plain);
    EXPECT_EQ(CFGetRetainCount(key.Get()), 1);
    EXPECT_EQ(CFDictionaryGetValue(dict.Get(), key.Get()), &plain);
    EXPECT_FALSE(CFDictionaryContainsKey(dict.Get(), equalKey.Get()));
    auto copy = AdoptCF<CFDictionaryRef>(CFDictionaryCreateCopy(nullptr, dict.Get()));
    EXPECT_EQ(CFGetRetainCount(key.Get()), 1);
    EXPECT_FALSE(CFDictionaryContainsKey(copy.Get(), equalKey.Get()));
    EXPECT_TRUE(CFDictionaryContainsKey(copy.Get(), key.Get()));
}

TEST(Dictionary, AddAndSetDifferOnlyInWhatTheyRequireAndKeepSoleReferencesAlive)
{
    auto dict = AdoptCF<CFMutableDictionaryRef>(NewTypeDictionary());
    CFDictionaryAddValue(dict.Get(), CFSTR("k"), CFSTR("first"));
    CFDictionaryAddValue(dict.Get(), CFSTR("k"), CFSTR("second"));  // present: kept as it is
    EXPECT_EQ(CFDictionaryGetValue(dict.Get(), CFSTR("k")), CFSTR("first"));
    CFDictionarySetValue(dict.Get(), CFSTR("k"), CFSTR("fourth"));
    EXPECT_EQ(CFDictionaryGetValue(dict.Get(), CFSTR("k")), CFSTR("fourth"));
    EXPECT_EQ(CFDictionaryGetCount(dict.Get()), 1);

    // A value or key whose only reference the dictionary holds survives being set again or removed by itself.
    CFStringRef value = MakeString("only");
    CFDictionarySetValue(dict.Get(), CFSTR("k"), value);
    CFRelease(value);
    CFDictionarySetValue(dict.Get(), CFSTR("k"), value);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    EXPECT_TRUE(CFEqual(CFDictionaryGetValue(dict.Get(), CFSTR("k")), CFSTR("only")));

    CFStringRef key = MakeString("key");
    CFDictionarySetValue(dict.Get(), key, CFSTR("v"));
    CFRelease(key);
    CFDictionaryRemoveValue(dict.Get(), key);  // the dictionary holds the only reference to key
    EXPECT_EQ(CFDictionaryGetCount(dict.Get()), 1);
}

TEST(Dictionary, IterationFollowsFirstInsertionAndReaddedKeysGoLast)
{
    auto dict = AdoptCF<CFMutableDictionaryRef>(NewTypeDictionary());
    for (const char* name : {"zeta", "alpha", "mid", "beta"}) {
        auto key = AdoptCF<CFStringRef>(MakeString(name));
        CFDictionarySetValue(dict.Get(), key.Get(), kCFBooleanTrue);
    }
    CFDictionarySetValue(dict.Get(), CFSTR("alpha"), kCFBooleanFalse);  // replacing keeps the place
    EXPECT_EQ(KeysInOrder(dict.Get()), (std::vector<std::string>{"zeta", "alpha", "mid", "beta"}));
    CFDictionaryRemoveValue(dict.Get(), CFSTR("zeta"));
    CFDictionarySetValue(dict.Get(), CFSTR("zeta"), kCFBooleanTrue);
    EXPECT_EQ(KeysInOrder(dict.Get()), (std::vector<std::string>{"alpha", "mid", "beta", "zeta"}));
    EXPECT_EQ(Describe(dict.Get()), "{ alpha = false; mid = true; beta = true; zeta = true; }");

    // Copies keep the order.
    auto copy = AdoptCF<CFDictionaryRef>(CFDictionaryCreateCopy(nullptr, dict.Get()));
    EXPECT_EQ(KeysInOrder(copy.Get()), KeysInOrder(dict.Get()));
}

// Small dictionaries are searched in place and large ones indexed: removals on either side of the
// change, and back across it, must keep every key at its value and the order of the rest.
TEST(Dictionary, KeysStayFoundAndOrderedAsTheDictionaryGrowsAndShrinksAcrossItsIndexedSize)
{
    auto dict = AdoptCF<CFMutableDictionaryRef>(NewTypeDictionary());
    std::vector<std::string> expected;
    auto add = [&](int i) {
        std::string name = "k" + std::to_string(i);
        auto key = AdoptCF<CFStringRef>(MakeString(name.c_str()));
        auto value = AdoptCF<CFNumberRef>(CFNumberCreate(nullptr, kCFNumberIntType, &i));
        CFDictionarySetValue(dict.Get(), key.Get(), value.Get());
        expected.push_back(name);
    };
    auto remove = [&](size_t at) {
        auto key = AdoptCF<CFStringRef>(MakeString(expected[at].c_str()));
        CFDictionaryRemoveValue(dict.Get(), key.Get());
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
    };
    auto check = [&](const char* when) {
        ASSERT_EQ(KeysInOrder(dict.Get()), expected) << when;
        for (const std::string& name : expected) {
            auto key = AdoptCF<CFStringRef>(MakeString(name.c_str()));
            auto number = static_cast<CFNumberRef>(CFDictionaryGetValue(dict.Get(), key.Get()));
            ASSERT_NE(number, nullptr) << when << ": " << name;
            int stored = -1;
            CFNumberGetValue(number, kCFNumberIntType, &stored);
            ASSERT_EQ("k" + std::to_string(stored), name) << when;
        }
    };
    for (int i = 0; i < 20; ++i) {
        add(i);
    }
    check("grown");
    remove(0);
    remove(7);
    remove(expected.size() - 1);
    check("large, after removals at the start, the middle and the end");
    while (expected.size() > 3) {
        remove(expected.size() / 2);
    }
    check("shrunk below the indexed size");
    for (int i = 20; i < 32; ++i) {
        add(i);
    }
    check("grown again");
}

// Every key hashes alike: lookups must still tell them apart by equality.
CFHashCode CollidingHash(const void*)
{
    return 42;
}

TEST(Dictionary, KeysWithCollidingHashesStayDistinct)
{
    CFDictionaryKeyCallBacks keyCallBacks = kCFTypeDictionaryKeyCallBacks;
    keyCallBacks.hash = &CollidingHash;
    auto dict = AdoptCF<CFMutableDictionaryRef>(
        CFDictionaryCreateMutable(nullptr, 0, &keyCallBacks, &kCFTypeDictionaryValueCallBacks));
    for (int i = 0; i < 100; ++i) {
        auto key = AdoptCF<CFStringRef>(MakeString(std::to_string(i).c_str()));
        auto value = AdoptCF<CFNumberRef>(CFNumberCreate(nullptr, kCFNumberIntType, &i));
        CFDictionarySetValue(dict.Get(), key.Get(), value.Get());
    }
    EXPECT_EQ(CFDictionaryGetCount(dict.Get()), 100);
    CFDictionaryRemoveValue(dict.Get(), CFSTR("50"));
    EXPECT_FALSE(CFDictionaryContainsKey(dict.Get(), CFSTR("50")));
    int stored = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(dict.Get(), CFSTR("51"))), kCFNumberIntType,
                     &stored);
    EXPECT_EQ(stored, 51);
}

TEST(Dictionary, CopyStringKeyCallbacksCopyMutableKeys)
{
    auto key = AdoptCF<CFMutableStringRef>(CFStringCreateMutable(nullptr, 0));
    CFStringAppend(key.Get(), CFSTR("before"));
    auto dict = AdoptCF<CFMutableDictionaryRef>(
        CFDictionaryCreateMutable(nullptr, 0, &kCFCopyStringDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    CFDictionarySetValue(dict.Get(), key.Get(), CFSTR("v"));
    EXPECT_EQ(CFGetRetainCount(key.Get()), 1);  // a copy was stored, not the caller's string
    CFStringAppend(key.Get(), CFSTR(" and after"));
    EXPECT_EQ(CFDictionaryGetValue(dict.Get(), CFSTR("before")), CFSTR("v"));
    EXPECT_EQ(CFDictionaryGetValue(dict.Get(), key.Get()), nullptr);
}

TEST(Dictionary, EqualityNeedsTheSameKeysWithEqualValues)
{
    const void* keys[] = {CFSTR("a"), CFSTR("b")};
    const void* values[] = {CFSTR("1"), CFSTR("2")};
    auto first = AdoptCF<CFDictionaryRef>(
        CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    auto second = AdoptCF<CFMutableDictionaryRef>(NewTypeDictionary());
    auto two = AdoptCF<CFStringRef>(MakeString("2"));
    CFDictionarySetValue(second.Get(), CFSTR("b"), two.Get());  // other order, equal but distinct value
    CFDictionarySetValue(second.Get(), CFSTR("a"), CFSTR("1"));
    EXPECT_TRUE(CFEqual(first.Get(), second.Get()));
    EXPECT_EQ(CFHash(first.Get()), CFHash(second.Get()));
    CFDictionarySetValue(second.Get(), CFSTR("a"), CFSTR("other"));
    EXPECT_FALSE(CFEqual(first.Get(), second.Get()));
    CFDictionaryRemoveValue(second.Get(), CFSTR("a"));
    CFDictionarySetValue(second.Get(), CFSTR("c"), CFSTR("1"));
    EXPECT_FALSE(CFEqual(first.Get(), second.Get()));
    EXPECT_EQ(CFGetTypeID(first.Get()), CFDictionaryGetTypeID());
}

TEST(Dictionary, MutableCopyKeepsCallbacksAndIsIndependent)
{
    auto value = AdoptCF<CFStringRef>(MakeString("v"));
    const void* keys[] = {CFSTR("k")};
    const void* values[] = {value.Get()};
    auto original = AdoptCF<CFDictionaryRef>(
        CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    {
        auto copy = AdoptCF<CFMutableDictionaryRef>(CFDictionaryCreateMutableCopy(nullptr, 0, original.Get()));
        EXPECT_EQ(CFGetRetainCount(value.Get()), 3);
        CFDictionarySetValue(copy.Get(), CFSTR("extra"), CFSTR("x"));
        EXPECT_EQ(CFDictionaryGetCount(original.Get()), 1);
        EXPECT_EQ(CFDictionaryGetValue(copy.Get(), CFSTR("k")), value.Get());
    }
    EXPECT_EQ(CFGetRetainCount(value.Get()), 2);
}

TEST(Dictionary, CreationWithARepeatedKeyKeepsOneEntryWithTheLastValue)
{
    auto key = AdoptCF<CFStringRef>(MakeString("k"));
    const void* keys[] = {key.Get(), CFSTR("other"), CFSTR("k")};
    const void* values[] = {CFSTR("first"), CFSTR("o"), CFSTR("last")};
    auto dict = AdoptCF<CFDictionaryRef>(
        CFDictionaryCreate(nullptr, keys, values, 3, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    EXPECT_EQ(CFDictionaryGetCount(dict.Get()), 2);
    EXPECT_EQ(CFDictionaryGetValue(dict.Get(), key.Get()), CFSTR("last"));
    EXPECT_EQ(CFGetRetainCount(key.Get()), 2);  // the first key stays, retained once
    EXPECT_EQ(KeysInOrder(dict.Get()), (std::vector<std::string>{"k", "other"}));
}

TEST(DictionaryDeathTest, MutatingAnImmutableDictionaryStops)
{
    const void* keys[] = {CFSTR("k")};
    const void* values[] = {CFSTR("v")};
    auto dict = AdoptCF<CFDictionaryRef>(
        CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    auto* cheat = const_cast<CFMutableDictionaryRef>(dict.Get());
    EXPECT_DEATH(CFDictionarySetValue(cheat, CFSTR("k"), CFSTR("w")), "immutable dictionary");
    EXPECT_DEATH(CFDictionaryRemoveValue(cheat, CFSTR("k")), "immutable dictionary");
}

}  // namespace
