// Deep copies: the three mutability options, shared immutable leaves, and values that are not
// property lists. Mutating an immutable object aborts in this platform, so immutability is shown by
// death tests and mutability by mutating.
#include "PlistTestSupport.h"

#include <gtest/gtest.h>

using namespace plisttest;

namespace {

// A clip list as the preferences hold it: an array of one record with a string, a boolean, a
// number, data and a nested array.
CFOwner<CFTypeRef> MakeClipList()
{
    return Parse(R"(<plist version="1.0"><array><dict>
	<key>NAME</key><string>Greeting</string>
	<key>SECURE</key><true/>
	<key>COUNT</key><integer>3</integer>
	<key>BLOB</key><data>AAEC</data>
	<key>FLAVORS</key><array><string>utxt</string></array>
</dict></array></plist>)");
}

template <class T>
T Mutable(CFTypeRef value)
{
    return static_cast<T>(const_cast<void*>(value));
}

TEST(PropertyListDeepCopy, MutableLeavesCanBeChangedToo)
{
    auto original = MakeClipList();
    auto copy = AdoptCF<CFTypeRef>(
        CFPropertyListCreateDeepCopy(nullptr, original.Get(), kCFPropertyListMutableContainersAndLeaves));
    ASSERT_TRUE(copy);
    CFTypeRef record = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(copy.Get()), 0);
    CFStringAppend(Mutable<CFMutableStringRef>(Get(record, "NAME")), CFSTR(" again"));
    const UInt8 more[] = {3};
    CFDataAppendBytes(Mutable<CFMutableDataRef>(Get(record, "BLOB")), more, 1);
    // The containers are copies too.
    CFDictionarySetValue(Mutable<CFMutableDictionaryRef>(record), CFSTR("EXTRA"), kCFBooleanFalse);
    CFArrayAppendValue(Mutable<CFMutableArrayRef>(Get(record, "FLAVORS")), CFSTR("TEXT"));
    EXPECT_EQ(Utf8(Get(record, "NAME")), "Greeting again");
    EXPECT_EQ(Bytes(Get(record, "BLOB")), std::string("\0\1\2\3", 4));
    CFTypeRef originalRecord = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(original.Get()), 0);
    EXPECT_EQ(Get(originalRecord, "EXTRA"), nullptr);
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(Get(originalRecord, "FLAVORS"))), 1);
    EXPECT_EQ(Utf8(Get(originalRecord, "NAME")), "Greeting");
    EXPECT_EQ(Bytes(Get(originalRecord, "BLOB")), std::string("\0\1\2", 3));
    // Numbers and booleans are immutable whatever the option: shared, not copied.
    EXPECT_EQ(Get(record, "COUNT"), Get(originalRecord, "COUNT"));
    EXPECT_EQ(Get(record, "SECURE"), kCFBooleanTrue);
}

using PropertyListDeepCopyDeathTest = testing::Test;

TEST_F(PropertyListDeepCopyDeathTest, MutableContainersKeepImmutableLeaves)
{
    auto original = MakeClipList();
    auto copy =
        AdoptCF<CFTypeRef>(CFPropertyListCreateDeepCopy(nullptr, original.Get(), kCFPropertyListMutableContainers));
    ASSERT_TRUE(copy);
    CFTypeRef record = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(copy.Get()), 0);
    EXPECT_DEATH(CFStringAppend(Mutable<CFMutableStringRef>(Get(record, "NAME")), CFSTR("x")), "");
    const UInt8 more[] = {3};
    EXPECT_DEATH(CFDataAppendBytes(Mutable<CFMutableDataRef>(Get(record, "BLOB")), more, 1), "");
}

TEST_F(PropertyListDeepCopyDeathTest, ImmutableOptionGivesImmutableContainers)
{
    auto original = MakeClipList();
    auto copy = AdoptCF<CFTypeRef>(CFPropertyListCreateDeepCopy(nullptr, original.Get(), kCFPropertyListImmutable));
    ASSERT_TRUE(copy);
    EXPECT_TRUE(CFEqual(copy.Get(), original.Get()));
    EXPECT_DEATH(CFArrayAppendValue(Mutable<CFMutableArrayRef>(copy.Get()), kCFBooleanTrue), "");
    CFTypeRef record = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(copy.Get()), 0);
    EXPECT_DEATH(CFDictionarySetValue(Mutable<CFMutableDictionaryRef>(record), CFSTR("NAME"), kCFBooleanTrue), "");
    // The reader's own mutability option gives the same result as reading then copying.
    auto readMutable = Parse(Write(original.Get()), kCFPropertyListMutableContainers);
    ASSERT_TRUE(readMutable);
    CFArrayAppendValue(Mutable<CFMutableArrayRef>(readMutable.Get()), kCFBooleanTrue);
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(readMutable.Get())), 2);
    CFTypeRef readRecord = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(readMutable.Get()), 0);
    EXPECT_DEATH(CFStringAppend(Mutable<CFMutableStringRef>(Get(readRecord, "NAME")), CFSTR("x")), "");
}

TEST(PropertyListDeepCopy, RefusesValuesThatAreNotPropertyLists)
{
    auto uuid = AdoptCF<CFTypeRef>(CFUUIDCreate(nullptr));
    auto one = Integer(1);
    const void* keys[] = {one.Get()};
    const void* values[] = {one.Get()};
    auto numberKey = AdoptCF<CFTypeRef>(
        CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    const void* items[] = {one.Get(), uuid.Get()};
    auto mixed = AdoptCF<CFTypeRef>(CFArrayCreate(nullptr, items, 2, &kCFTypeArrayCallBacks));
    for (CFTypeRef bad : {uuid.Get(), numberKey.Get(), mixed.Get()}) {
        for (CFOptionFlags option : {0ul, 1ul, 2ul}) {
            EXPECT_EQ(CFPropertyListCreateDeepCopy(nullptr, bad, option), nullptr);
        }
    }
    EXPECT_EQ(CFPropertyListCreateDeepCopy(nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(CFPropertyListCreateDeepCopy(nullptr, one.Get(), 3), nullptr);
}

}  // namespace
