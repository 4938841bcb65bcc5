// Private pasteboards: unique names, declared types, copies of the strings, and the server's hold
// that only a global release gives up.
#include "CocoaTestSupport.h"

namespace {

using NSPasteboardTest = CocoaObjectsTest;

TEST_F(NSPasteboardTest, UniqueNamesAndTheServersHoldUntilReleasedGlobally)
{
    long before = PlatformCocoaPasteboardCount();
    NSAutoreleasePool pool;
    NSPasteboard* first = NSPasteboard::pasteboardWithUniqueName();
    NSPasteboard* second = NSPasteboard::pasteboardWithUniqueName();
    EXPECT_FALSE(CFEqual(first->name(), second->name()));
    EXPECT_EQ(PlatformCocoaPasteboardCount(), before + 2);

    // The pool's reference alone does not end a pasteboard: the server still holds it.
    pool.drain();
    EXPECT_EQ(ObjectsMade(), 2);
    first->releaseGlobally();
    second->releaseGlobally();
    EXPECT_EQ(PlatformCocoaPasteboardCount(), before);
    EXPECT_EQ(ObjectsMade(), 0);
}

TEST_F(NSPasteboardTest, ReleasedGloballyWhileStillAutoreleasedLivesUntilThePoolEnds)
{
    NSAutoreleasePool pool;
    NSPasteboard* pasteboard = NSPasteboard::pasteboardWithUniqueName();
    pasteboard->declareTypes(NSArray::arrayWithObject(NSStringPboardType), nil);
    ASSERT_TRUE(pasteboard->setString(CFSTR("kept?"), NSStringPboardType));
    pasteboard->releaseGlobally();
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);  // its contents are dropped
    pasteboard->releaseGlobally();                                        // a second time does nothing
    EXPECT_EQ(ObjectsMade(), 2);                                          // the pasteboard and the type list
    pool.drain();
    EXPECT_EQ(ObjectsMade(), 0);
}

TEST_F(NSPasteboardTest, StringsOnlyForDeclaredTypesAndAsCopies)
{
    NSAutoreleasePool pool;
    NSPasteboard* pasteboard = NSPasteboard::pasteboardWithUniqueName();
    EXPECT_FALSE(pasteboard->setString(CFSTR("early"), NSStringPboardType));
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);

    EXPECT_EQ(pasteboard->declareTypes(NSArray::arrayWithObject(NSStringPboardType), nil), 1);
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);  // declared, not yet written
    CFMutableStringRef text = CFStringCreateMutable(nullptr, 0);
    CFStringAppendCString(text, "first", kCFStringEncodingUTF8);
    EXPECT_TRUE(pasteboard->setString(text, NSStringPboardType));
    CFStringAppendCString(text, " changed later", kCFStringEncodingUTF8);
    EXPECT_TRUE(CFEqual(pasteboard->stringForType(NSStringPboardType), CFSTR("first")));
    EXPECT_FALSE(pasteboard->setString(nullptr, NSStringPboardType));
    EXPECT_FALSE(pasteboard->setString(text, CFSTR("OtherType")));
    EXPECT_EQ(pasteboard->stringForType(CFSTR("OtherType")), nullptr);
    EXPECT_EQ(pasteboard->stringForType(nullptr), nullptr);

    // Declaring again starts over.
    EXPECT_EQ(pasteboard->declareTypes(NSArray::arrayWithObject(CFSTR("OtherType")), nil), 2);
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);
    EXPECT_FALSE(pasteboard->setString(text, NSStringPboardType));

    CFRelease(text);
    pasteboard->releaseGlobally();
}

}  // namespace
