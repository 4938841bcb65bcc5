// The root class's reference count and the autorelease pools that collect references to give back
// later.
#include <Cocoa/Cocoa.h>
#include <PlatformHost.h>

#include "cf/Runtime.h"
#include "cocoa/CocoaObjects.h"

#include <atomic>
#include <vector>

namespace platform {
namespace {

std::atomic<long> gLiveCocoaObjects{0};

// The innermost pool of each thread; each pool remembers the one it was made inside.
thread_local NSAutoreleasePool* tInnermostPool = nullptr;

}  // namespace

void CountCocoaObjectMade()
{
    gLiveCocoaObjects.fetch_add(1, std::memory_order_relaxed);
}

void CountCocoaObjectDeleted()
{
    gLiveCocoaObjects.fetch_sub(1, std::memory_order_relaxed);
}

}  // namespace platform

extern "C" long PlatformCocoaLiveObjectCount(void)
{
    return platform::gLiveCocoaObjects.load(std::memory_order_relaxed);
}

NSObject::NSObject() : mRetainCount(1)
{
    platform::CountCocoaObjectMade();
}

NSObject::~NSObject()
{
    platform::CountCocoaObjectDeleted();
}

NSObject* NSObject::retain()
{
    ++mRetainCount;
    return this;
}

void NSObject::release()
{
    if (mRetainCount == 0) {
        platform::FatalError("release of a Cocoa object that has no reference left");
    }
    if (--mRetainCount == 0) {
        delete this;
    }
}

NSObject* NSObject::autorelease()
{
    NSAutoreleasePool* pool = NSAutoreleasePool::currentPool();
    if (pool == nullptr) {
        // Cocoa's own behaviour: the reference is lost, and the log says so.
        NSLog(CFSTR("an object was autoreleased with no pool in place: just leaking"));
        return this;
    }
    pool->addObject(this);
    return this;
}

NSUInteger NSObject::retainCount() const
{
    return mRetainCount;
}

struct NSAutoreleasePool::Contents {
    std::vector<NSObject*> objects;  // one reference each
};

NSAutoreleasePool::NSAutoreleasePool() : mContents(new Contents), mOuter(platform::tInnermostPool)
{
    platform::tInnermostPool = this;
}

NSAutoreleasePool::~NSAutoreleasePool()
{
    drain();
    if (platform::tInnermostPool != this) {
        platform::FatalError("autorelease pools ended out of the order of their making");
    }
    platform::tInnermostPool = mOuter;
    delete mContents;
}

void NSAutoreleasePool::drain()
{
    // Releasing may autorelease more objects into this pool (a finalizer that hands something
    // out): keep going until nothing is left.
    while (!mContents->objects.empty()) {
        std::vector<NSObject*> objects;
        objects.swap(mContents->objects);
        for (NSObject* object : objects) {
            object->release();
        }
    }
}

NSAutoreleasePool* NSAutoreleasePool::currentPool()
{
    return platform::tInnermostPool;
}

void NSAutoreleasePool::addObject(NSObject* object)
{
    if (object != nullptr) {
        mContents->objects.push_back(object);
    }
}
