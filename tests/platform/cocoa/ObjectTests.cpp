// The root object's reference count, autorelease pools, exceptions and one-element arrays.
#include "CocoaTestSupport.h"

#include <string>

namespace {

using NSObjectTest = CocoaObjectsTest;

TEST_F(NSObjectTest, PoolsGiveBackWhatWasAutoreleasedInThemWhenTheyEndOrDrain)
{
    NSObject* outerObject = new NSObject;
    {
        NSAutoreleasePool outer;
        outerObject->autorelease();
        NSObject* innerObject = new NSObject;
        innerObject->retain();
        {
            NSAutoreleasePool inner;
            EXPECT_EQ(NSAutoreleasePool::currentPool(), &inner);
            innerObject->autorelease();
            EXPECT_EQ(innerObject->retainCount(), 2u);
        }
        EXPECT_EQ(NSAutoreleasePool::currentPool(), &outer);
        EXPECT_EQ(innerObject->retainCount(), 1u);  // the inner pool gave back its own reference only
        EXPECT_EQ(outerObject->retainCount(), 1u);
        innerObject->release();
        EXPECT_EQ(ObjectsMade(), 1);
    }
    EXPECT_EQ(NSAutoreleasePool::currentPool(), nullptr);
    EXPECT_EQ(ObjectsMade(), 0);

    // Draining gives back the same way and keeps the pool in place.
    NSAutoreleasePool pool;
    (new NSObject)->autorelease();
    pool.drain();
    EXPECT_EQ(ObjectsMade(), 0);
    EXPECT_EQ(NSAutoreleasePool::currentPool(), &pool);
    (new NSObject)->autorelease();
    EXPECT_EQ(ObjectsMade(), 1);
}

TEST_F(NSObjectTest, AutoreleaseWithoutPoolLeaksAndSaysSo)
{
    NSObject* object = new NSObject;
    testing::internal::CaptureStderr();
    object->autorelease();
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("no pool in place"), std::string::npos) << log;
    EXPECT_EQ(object->retainCount(), 1u);
    object->release();  // the reference nobody will give back
}

TEST(NSObjectDeathTest, ReleasingADeadReferenceIsFatal)
{
    EXPECT_DEATH(
        {
            struct Kept : NSObject {
                // Never deleted, so that its count can be seen going below zero.
                static void operator delete(void*) {}
            };
            static char storage[sizeof(Kept)];
            Kept* object = new (storage) Kept;
            object->release();
            object->release();
        },
        // The second release reaches a destroyed object: the platform's own check names it, and
        // under the undefined-behaviour sanitizer the vptr check stops it first.
        "no reference left|invalid vptr");
}

TEST_F(NSObjectTest, ExceptionsCarryRetainedNamesAndReasons)
{
    CFStringRef reason = CFStringCreateWithCString(nullptr, "it broke", kCFStringEncodingUTF8);
    try {
        NSException::raise(NSGenericException, reason);
        FAIL() << "raise returned";
    } catch (const NSException& caught) {
        CFRelease(reason);  // the exception keeps its own reference
        EXPECT_TRUE(CFEqual(caught.name(), NSGenericException));
        EXPECT_TRUE(CFEqual(caught.reason(), CFSTR("it broke")));
        EXPECT_EQ(caught.description(), caught.reason());
        NSException copy(caught);
        NSException assigned(nullptr, nullptr);
        assigned = copy;
        assigned = assigned;
        EXPECT_TRUE(CFEqual(assigned.reason(), CFSTR("it broke")));
    }
    NSException nameOnly(NSRangeException, nullptr);
    EXPECT_EQ(nameOnly.description(), NSRangeException);
    NSException nothing(nullptr, nullptr);
    EXPECT_EQ(nothing.description(), nullptr);
}

TEST_F(NSObjectTest, OneElementArraysRetainTheirElementAndCheckIndexes)
{
    CFStringRef element = CFStringCreateWithCString(nullptr, "type", kCFStringEncodingUTF8);
    {
        NSAutoreleasePool pool;
        NSArray* array = NSArray::arrayWithObject(element);
        EXPECT_EQ(CFGetRetainCount(element), 2);
        EXPECT_EQ(array->count(), 1u);
        EXPECT_EQ(array->objectAtIndex(0), element);
        EXPECT_TRUE(array->containsObject(CFSTR("type")));
        EXPECT_FALSE(array->containsObject(CFSTR("other")));
        EXPECT_FALSE(array->containsObject(nullptr));
        try {
            array->objectAtIndex(1);
            ADD_FAILURE() << "no exception";
        } catch (const NSException& caught) {
            EXPECT_TRUE(CFEqual(caught.name(), NSRangeException));
        }
        try {
            NSArray::arrayWithObject(nullptr);
            ADD_FAILURE() << "no exception";
        } catch (const NSException& caught) {
            EXPECT_TRUE(CFEqual(caught.name(), NSInvalidArgumentException));
        }
    }
    EXPECT_EQ(CFGetRetainCount(element), 1);
    CFRelease(element);
}

}  // namespace
