// Dictionaries: callbacks decide ownership, hashing and equality; iteration follows the order in
// which keys were first added; replacement releases only after the new value is held.
#include "OwnedRef.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_cf::Describe;
using testing_cf::MakeString;
using testing_cf::OwnedRef;

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

TEST(Dictionary, TypeCallbacksRetainKeysAndValuesAndLookUpByEquality)
{
    OwnedRef<CFStringRef> key(MakeString("name"));
    OwnedRef<CFStringRef> value(MakeString("value"));
    {
        OwnedRef<CFMutableDictionaryRef> dict(NewTypeDictionary());
        CFDictionarySetValue(dict, key, value);
        EXPECT_EQ(CFGetRetainCount(key), 2);
        EXPECT_EQ(CFGetRetainCount(value), 2);
        // Found with a different but equal key.
        EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("name")), value.get());
        const void* found = nullptr;
        EXPECT_TRUE(CFDictionaryGetValueIfPresent(dict, CFSTR("name"), &found));
        EXPECT_EQ(found, value.get());
        EXPECT_FALSE(CFDictionaryGetValueIfPresent(dict, CFSTR("other"), &found));
        EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("other")), nullptr);
        EXPECT_TRUE(CFDictionaryContainsValue(dict, CFSTR("value")));

        CFDictionaryRemoveValue(dict, CFSTR("name"));
        EXPECT_EQ(CFGetRetainCount(key), 1);
        EXPECT_EQ(CFGetRetainCount(value), 1);
        CFDictionarySetValue(dict, key, value);
    }
    EXPECT_EQ(CFGetRetainCount(key), 1);
    EXPECT_EQ(CFGetRetainCount(value), 1);
}

TEST(Dictionary, NullCallbacksUseIdentityAndRetainNothing)
{
    OwnedRef<CFStringRef> key(MakeString("k"));
    OwnedRef<CFStringRef> equalKey(MakeString("k"));
    int plain = 3;
    OwnedRef<CFMutableDictionaryRef> dict(CFDictionaryCreateMutable(nullptr, 0, nullptr, nullptr));
    CFDictionarySetValue(dict, key, &plain);
    EXPECT_EQ(CFGetRetainCount(key), 1);
    EXPECT_EQ(CFDictionaryGetValue(dict, key), &plain);
    EXPECT_FALSE(CFDictionaryContainsKey(dict, equalKey));
    OwnedRef<CFDictionaryRef> copy(CFDictionaryCreateCopy(nullptr, dict));
    EXPECT_EQ(CFGetRetainCount(key), 1);
    EXPECT_FALSE(CFDictionaryContainsKey(copy, equalKey));
    EXPECT_TRUE(CFDictionaryContainsKey(copy, key));
}

TEST(Dictionary, AddReplaceAndSetDifferOnlyInWhatTheyRequire)
{
    OwnedRef<CFMutableDictionaryRef> dict(NewTypeDictionary());
    CFDictionaryReplaceValue(dict, CFSTR("k"), CFSTR("ignored"));  // absent: nothing happens
    EXPECT_EQ(CFDictionaryGetCount(dict), 0);
    CFDictionaryAddValue(dict, CFSTR("k"), CFSTR("first"));
    CFDictionaryAddValue(dict, CFSTR("k"), CFSTR("second"));  // present: kept as it is
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("k")), CFSTR("first"));
    CFDictionaryReplaceValue(dict, CFSTR("k"), CFSTR("third"));
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("k")), CFSTR("third"));
    CFDictionarySetValue(dict, CFSTR("k"), CFSTR("fourth"));
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("k")), CFSTR("fourth"));
    EXPECT_EQ(CFDictionaryGetCount(dict), 1);
}

TEST(Dictionary, SoleReferencesSurviveBeingSetAgainAndRemovingByTheStoredKeyItself)
{
    OwnedRef<CFMutableDictionaryRef> dict(NewTypeDictionary());
    CFStringRef value = MakeString("only");
    CFDictionarySetValue(dict, CFSTR("k"), value);
    CFRelease(value);
    CFDictionarySetValue(dict, CFSTR("k"), value);
    CFDictionaryReplaceValue(dict, CFSTR("k"), value);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    EXPECT_TRUE(CFEqual(CFDictionaryGetValue(dict, CFSTR("k")), CFSTR("only")));

    CFStringRef key = MakeString("key");
    CFDictionarySetValue(dict, key, CFSTR("v"));
    CFRelease(key);
    CFDictionaryRemoveValue(dict, key);  // the dictionary holds the only reference to key
    EXPECT_EQ(CFDictionaryGetCount(dict), 1);
}

TEST(Dictionary, IterationFollowsFirstInsertionAndReaddedKeysGoLast)
{
    OwnedRef<CFMutableDictionaryRef> dict(NewTypeDictionary());
    for (const char* name : {"zeta", "alpha", "mid", "beta"}) {
        OwnedRef<CFStringRef> key(MakeString(name));
        CFDictionarySetValue(dict, key, kCFBooleanTrue);
    }
    CFDictionarySetValue(dict, CFSTR("alpha"), kCFBooleanFalse);  // replacing keeps the place
    EXPECT_EQ(KeysInOrder(dict), (std::vector<std::string>{"zeta", "alpha", "mid", "beta"}));
    CFDictionaryRemoveValue(dict, CFSTR("zeta"));
    CFDictionarySetValue(dict, CFSTR("zeta"), kCFBooleanTrue);
    EXPECT_EQ(KeysInOrder(dict), (std::vector<std::string>{"alpha", "mid", "beta", "zeta"}));
    EXPECT_EQ(Describe(dict), "{ alpha = false; mid = true; beta = true; zeta = true; }");

    // Copies keep the order.
    OwnedRef<CFDictionaryRef> copy(CFDictionaryCreateCopy(nullptr, dict));
    EXPECT_EQ(KeysInOrder(copy), KeysInOrder(dict));
}

TEST(Dictionary, ManyKeysAreAllFoundAndRemovable)
{
    OwnedRef<CFMutableDictionaryRef> dict(NewTypeDictionary());
    constexpr int kCount = 5000;
    for (int i = 0; i < kCount; ++i) {
        OwnedRef<CFStringRef> key(MakeString(("key" + std::to_string(i)).c_str()));
        OwnedRef<CFNumberRef> value(CFNumberCreate(nullptr, kCFNumberIntType, &i));
        CFDictionarySetValue(dict, key, value);
    }
    EXPECT_EQ(CFDictionaryGetCount(dict), kCount);
    for (int i = 0; i < kCount; i += 2) {
        OwnedRef<CFStringRef> key(MakeString(("key" + std::to_string(i)).c_str()));
        CFDictionaryRemoveValue(dict, key);
    }
    EXPECT_EQ(CFDictionaryGetCount(dict), kCount / 2);
    for (int i = 0; i < kCount; ++i) {
        OwnedRef<CFStringRef> key(MakeString(("key" + std::to_string(i)).c_str()));
        auto number = static_cast<CFNumberRef>(CFDictionaryGetValue(dict, key));
        if (i % 2 == 0) {
            ASSERT_EQ(number, nullptr) << i;
        } else {
            ASSERT_NE(number, nullptr) << i;
            int stored = -1;
            CFNumberGetValue(number, kCFNumberIntType, &stored);
            ASSERT_EQ(stored, i);
        }
    }
}

// Small dictionaries are searched in place and large ones indexed: removals on either side of the
// change, and back across it, must keep every key at its value and the order of the rest.
TEST(Dictionary, KeysStayFoundAndOrderedAsTheDictionaryGrowsAndShrinksAcrossItsIndexedSize)
{
    OwnedRef<CFMutableDictionaryRef> dict(NewTypeDictionary());
    std::vector<std::string> expected;
    auto add = [&](int i) {
        std::string name = "k" + std::to_string(i);
        OwnedRef<CFStringRef> key(MakeString(name.c_str()));
        OwnedRef<CFNumberRef> value(CFNumberCreate(nullptr, kCFNumberIntType, &i));
        CFDictionarySetValue(dict, key, value);
        expected.push_back(name);
    };
    auto remove = [&](size_t at) {
        OwnedRef<CFStringRef> key(MakeString(expected[at].c_str()));
        CFDictionaryRemoveValue(dict, key);
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
    };
    auto check = [&](const char* when) {
        ASSERT_EQ(KeysInOrder(dict), expected) << when;
        for (const std::string& name : expected) {
            OwnedRef<CFStringRef> key(MakeString(name.c_str()));
            auto number = static_cast<CFNumberRef>(CFDictionaryGetValue(dict, key));
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
    OwnedRef<CFMutableDictionaryRef> dict(
        CFDictionaryCreateMutable(nullptr, 0, &keyCallBacks, &kCFTypeDictionaryValueCallBacks));
    for (int i = 0; i < 100; ++i) {
        OwnedRef<CFStringRef> key(MakeString(std::to_string(i).c_str()));
        OwnedRef<CFNumberRef> value(CFNumberCreate(nullptr, kCFNumberIntType, &i));
        CFDictionarySetValue(dict, key, value);
    }
    EXPECT_EQ(CFDictionaryGetCount(dict), 100);
    CFDictionaryRemoveValue(dict, CFSTR("50"));
    EXPECT_FALSE(CFDictionaryContainsKey(dict, CFSTR("50")));
    int stored = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(dict, CFSTR("51"))), kCFNumberIntType, &stored);
    EXPECT_EQ(stored, 51);
}

TEST(Dictionary, CopyStringKeyCallbacksCopyMutableKeys)
{
    OwnedRef<CFMutableStringRef> key(CFStringCreateMutable(nullptr, 0));
    CFStringAppend(key, CFSTR("before"));
    OwnedRef<CFMutableDictionaryRef> dict(
        CFDictionaryCreateMutable(nullptr, 0, &kCFCopyStringDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    CFDictionarySetValue(dict, key, CFSTR("v"));
    EXPECT_EQ(CFGetRetainCount(key), 1);  // a copy was stored, not the caller's string
    CFStringAppend(key, CFSTR(" and after"));
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("before")), CFSTR("v"));
    EXPECT_EQ(CFDictionaryGetValue(dict, key), nullptr);
}

TEST(Dictionary, EqualityNeedsTheSameKeysWithEqualValues)
{
    const void* keys[] = {CFSTR("a"), CFSTR("b")};
    const void* values[] = {CFSTR("1"), CFSTR("2")};
    OwnedRef<CFDictionaryRef> first(
        CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    OwnedRef<CFMutableDictionaryRef> second(NewTypeDictionary());
    OwnedRef<CFStringRef> two(MakeString("2"));
    CFDictionarySetValue(second, CFSTR("b"), two);  // other order, equal but distinct value
    CFDictionarySetValue(second, CFSTR("a"), CFSTR("1"));
    EXPECT_TRUE(CFEqual(first, second));
    EXPECT_EQ(CFHash(first), CFHash(second));
    CFDictionarySetValue(second, CFSTR("a"), CFSTR("other"));
    EXPECT_FALSE(CFEqual(first, second));
    CFDictionaryRemoveValue(second, CFSTR("a"));
    CFDictionarySetValue(second, CFSTR("c"), CFSTR("1"));
    EXPECT_FALSE(CFEqual(first, second));
    EXPECT_EQ(CFGetTypeID(first), CFDictionaryGetTypeID());
}

TEST(Dictionary, MutableCopyKeepsCallbacksAndIsIndependent)
{
    OwnedRef<CFStringRef> value(MakeString("v"));
    const void* keys[] = {CFSTR("k")};
    const void* values[] = {value.get()};
    OwnedRef<CFDictionaryRef> original(
        CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    {
        OwnedRef<CFMutableDictionaryRef> copy(CFDictionaryCreateMutableCopy(nullptr, 0, original));
        EXPECT_EQ(CFGetRetainCount(value), 3);
        CFDictionarySetValue(copy, CFSTR("extra"), CFSTR("x"));
        EXPECT_EQ(CFDictionaryGetCount(original), 1);
        EXPECT_EQ(CFDictionaryGetValue(copy, CFSTR("k")), value.get());
    }
    EXPECT_EQ(CFGetRetainCount(value), 2);
}

void CountPairs(const void* key, const void* value, void* context)
{
    ++*static_cast<int*>(context);
}

TEST(Dictionary, RemoveAllReleasesEverythingAndApplyVisitsEachPair)
{
    OwnedRef<CFStringRef> value(MakeString("v"));
    OwnedRef<CFMutableDictionaryRef> dict(NewTypeDictionary());
    CFDictionarySetValue(dict, CFSTR("a"), value);
    CFDictionarySetValue(dict, CFSTR("b"), value);
    int pairs = 0;
    CFDictionaryApplyFunction(dict, &CountPairs, &pairs);
    EXPECT_EQ(pairs, 2);
    CFDictionaryRemoveAllValues(dict);
    EXPECT_EQ(CFGetRetainCount(value), 1);
    EXPECT_EQ(CFDictionaryGetCount(dict), 0);
    EXPECT_EQ(Describe(dict), "{ }");
}

TEST(Dictionary, CreationWithARepeatedKeyKeepsOneEntryWithTheLastValue)
{
    OwnedRef<CFStringRef> key(MakeString("k"));
    const void* keys[] = {key.get(), CFSTR("other"), CFSTR("k")};
    const void* values[] = {CFSTR("first"), CFSTR("o"), CFSTR("last")};
    OwnedRef<CFDictionaryRef> dict(
        CFDictionaryCreate(nullptr, keys, values, 3, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    EXPECT_EQ(CFDictionaryGetCount(dict), 2);
    EXPECT_EQ(CFDictionaryGetValue(dict, key), CFSTR("last"));
    EXPECT_EQ(CFGetRetainCount(key), 2);  // the first key stays, retained once
    EXPECT_EQ(KeysInOrder(dict), (std::vector<std::string>{"k", "other"}));
}

TEST(Dictionary, DescriptionsNestContainers)
{
    const void* items[] = {CFSTR("a"), CFSTR("b")};
    OwnedRef<CFArrayRef> list(CFArrayCreate(nullptr, items, 2, &kCFTypeArrayCallBacks));
    OwnedRef<CFMutableDictionaryRef> dict(NewTypeDictionary());
    CFDictionarySetValue(dict, CFSTR("list"), list);
    CFDictionarySetValue(dict, CFSTR("flag"), kCFBooleanTrue);
    EXPECT_EQ(Describe(dict), "{ list = ( a, b ); flag = true; }");
}

TEST(DictionaryDeathTest, MutatingAnImmutableDictionaryStops)
{
    const void* keys[] = {CFSTR("k")};
    const void* values[] = {CFSTR("v")};
    OwnedRef<CFDictionaryRef> dict(
        CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    auto* cheat = const_cast<CFMutableDictionaryRef>(dict.get());
    EXPECT_DEATH(CFDictionarySetValue(cheat, CFSTR("k"), CFSTR("w")), "immutable dictionary");
    EXPECT_DEATH(CFDictionaryRemoveValue(cheat, CFSTR("k")), "immutable dictionary");
    EXPECT_DEATH(CFDictionaryRemoveAllValues(cheat), "immutable dictionary");
}

}  // namespace
