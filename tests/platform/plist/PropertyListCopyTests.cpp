// Deep copies: the three mutability options, shared immutable leaves, and values that are not
// property lists. Mutating an immutable object aborts in this platform, so immutability is shown by
// death tests and mutability by mutating.
#include "PlistTestSupport.h"

#include <gtest/gtest.h>

using namespace plisttest;

namespace {

// A clip list as the preferences hold it: an array of one record with a string, a boolean, a
// number, data and a nested array.
Ref MakeClipList()
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

TEST(PropertyListDeepCopy, MutableContainersCanBeChangedWithoutTouchingTheOriginal)
{
    Ref original = MakeClipList();
    ASSERT_TRUE(original);
    Ref copy(CFPropertyListCreateDeepCopy(nullptr, original.get(), kCFPropertyListMutableContainers));
    ASSERT_TRUE(copy);
    EXPECT_TRUE(CFEqual(copy.get(), original.get()));
    EXPECT_NE(copy.get(), original.get());

    auto list = Mutable<CFMutableArrayRef>(copy.get());
    auto record = Mutable<CFMutableDictionaryRef>(CFArrayGetValueAtIndex(list, 0));
    EXPECT_NE(static_cast<CFTypeRef>(record), CFArrayGetValueAtIndex(original.as<CFArrayRef>(), 0));
    Ref newName = String("Renamed");
    CFDictionarySetValue(record, CFSTR("NAME"), newName.get());
    CFDictionaryRemoveValue(record, CFSTR("SECURE"));
    auto flavors = Mutable<CFMutableArrayRef>(Get(record, "FLAVORS"));
    CFArrayAppendValue(flavors, CFSTR("TEXT"));
    CFArrayAppendValue(list, record);

    EXPECT_EQ(CFArrayGetCount(list), 2);
    EXPECT_EQ(Utf8(Get(record, "NAME")), "Renamed");
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(Get(record, "FLAVORS"))), 2);
    // The original is as it was.
    CFTypeRef originalRecord = CFArrayGetValueAtIndex(original.as<CFArrayRef>(), 0);
    EXPECT_EQ(CFArrayGetCount(original.as<CFArrayRef>()), 1);
    EXPECT_EQ(Utf8(Get(originalRecord, "NAME")), "Greeting");
    EXPECT_EQ(Get(originalRecord, "SECURE"), kCFBooleanTrue);
    EXPECT_EQ(CFArrayGetCount(static_cast<CFArrayRef>(Get(originalRecord, "FLAVORS"))), 1);
}

TEST(PropertyListDeepCopy, MutableLeavesCanBeChangedToo)
{
    Ref original = MakeClipList();
    Ref copy(CFPropertyListCreateDeepCopy(nullptr, original.get(), kCFPropertyListMutableContainersAndLeaves));
    ASSERT_TRUE(copy);
    CFTypeRef record = CFArrayGetValueAtIndex(copy.as<CFArrayRef>(), 0);
    CFStringAppend(Mutable<CFMutableStringRef>(Get(record, "NAME")), CFSTR(" again"));
    const UInt8 more[] = {3};
    CFDataAppendBytes(Mutable<CFMutableDataRef>(Get(record, "BLOB")), more, 1);
    EXPECT_EQ(Utf8(Get(record, "NAME")), "Greeting again");
    EXPECT_EQ(Bytes(Get(record, "BLOB")), std::string("\0\1\2\3", 4));
    CFTypeRef originalRecord = CFArrayGetValueAtIndex(original.as<CFArrayRef>(), 0);
    EXPECT_EQ(Utf8(Get(originalRecord, "NAME")), "Greeting");
    EXPECT_EQ(Bytes(Get(originalRecord, "BLOB")), std::string("\0\1\2", 3));
    // Numbers and booleans are immutable whatever the option: shared, not copied.
    EXPECT_EQ(Get(record, "COUNT"), Get(originalRecord, "COUNT"));
    EXPECT_EQ(Get(record, "SECURE"), kCFBooleanTrue);
}

using PropertyListDeepCopyDeathTest = testing::Test;

TEST_F(PropertyListDeepCopyDeathTest, MutableContainersKeepImmutableLeaves)
{
    Ref original = MakeClipList();
    Ref copy(CFPropertyListCreateDeepCopy(nullptr, original.get(), kCFPropertyListMutableContainers));
    ASSERT_TRUE(copy);
    CFTypeRef record = CFArrayGetValueAtIndex(copy.as<CFArrayRef>(), 0);
    EXPECT_DEATH(CFStringAppend(Mutable<CFMutableStringRef>(Get(record, "NAME")), CFSTR("x")), "");
    const UInt8 more[] = {3};
    EXPECT_DEATH(CFDataAppendBytes(Mutable<CFMutableDataRef>(Get(record, "BLOB")), more, 1), "");
}

TEST_F(PropertyListDeepCopyDeathTest, ImmutableOptionGivesImmutableContainers)
{
    Ref original = MakeClipList();
    Ref copy(CFPropertyListCreateDeepCopy(nullptr, original.get(), kCFPropertyListImmutable));
    ASSERT_TRUE(copy);
    EXPECT_TRUE(CFEqual(copy.get(), original.get()));
    EXPECT_DEATH(CFArrayAppendValue(Mutable<CFMutableArrayRef>(copy.get()), kCFBooleanTrue), "");
    CFTypeRef record = CFArrayGetValueAtIndex(copy.as<CFArrayRef>(), 0);
    EXPECT_DEATH(CFDictionarySetValue(Mutable<CFMutableDictionaryRef>(record), CFSTR("NAME"), kCFBooleanTrue), "");
    // The reader's own mutability option gives the same result as reading then copying.
    Ref readMutable = Parse(Write(original.get()), kCFPropertyListMutableContainers);
    ASSERT_TRUE(readMutable);
    CFArrayAppendValue(Mutable<CFMutableArrayRef>(readMutable.get()), kCFBooleanTrue);
    EXPECT_EQ(CFArrayGetCount(readMutable.as<CFArrayRef>()), 2);
    CFTypeRef readRecord = CFArrayGetValueAtIndex(readMutable.as<CFArrayRef>(), 0);
    EXPECT_DEATH(CFStringAppend(Mutable<CFMutableStringRef>(Get(readRecord, "NAME")), CFSTR("x")), "");
}

TEST(PropertyListDeepCopy, RefusesValuesThatAreNotPropertyLists)
{
    Ref uuid(CFUUIDCreate(nullptr));
    Ref one = Integer(1);
    const void* keys[] = {one.get()};
    const void* values[] = {one.get()};
    Ref numberKey(CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks,
                                     &kCFTypeDictionaryValueCallBacks));
    const void* items[] = {one.get(), uuid.get()};
    Ref mixed(CFArrayCreate(nullptr, items, 2, &kCFTypeArrayCallBacks));
    for (CFTypeRef bad : {uuid.get(), numberKey.get(), mixed.get()}) {
        for (CFOptionFlags option : {0ul, 1ul, 2ul}) {
            EXPECT_EQ(CFPropertyListCreateDeepCopy(nullptr, bad, option), nullptr);
        }
    }
    EXPECT_EQ(CFPropertyListCreateDeepCopy(nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(CFPropertyListCreateDeepCopy(nullptr, one.get(), 3), nullptr);
}

}  // namespace
