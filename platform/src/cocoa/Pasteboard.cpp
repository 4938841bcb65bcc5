// Named pasteboards of typed strings and the process's pasteboard server, which finds them by name
// and holds each until it is released globally.
#include <Cocoa/Cocoa.h>
#include <PlatformHost.h>

#include "base/CFOwner.h"
#include "cf/StringObject.h"

#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

NSString* const NSStringPboardType = CFSTR("NSStringPboardType");

namespace {

// The server's registry: one reference to every pasteboard not yet released globally.
struct PasteboardServer {
    std::mutex mutex;
    std::map<std::string, NSPasteboard*> byName;
    unsigned long nextSerial = 1;
};

PasteboardServer& Server()
{
    static auto* server = new PasteboardServer();  // lives as long as the process
    return *server;
}

}  // namespace

extern "C" long PlatformCocoaPasteboardCount(void)
{
    PasteboardServer& server = Server();
    std::lock_guard<std::mutex> lock(server.mutex);
    return static_cast<long>(server.byName.size());
}

struct NSPasteboard::Contents {
    platform::CFOwner<CFStringRef> name;
    // The declared type and its string (empty until one is set).
    std::vector<std::pair<platform::CFOwner<CFStringRef>, platform::CFOwner<CFStringRef>>> items;
    NSInteger changeCount = 0;
    bool registered = false;
};

NSPasteboard::NSPasteboard(CFStringRef name) : mContents(new Contents)
{
    mContents->name = platform::RetainCF(name);
}

NSPasteboard::~NSPasteboard()
{
    delete mContents;
}

NSPasteboard* NSPasteboard::pasteboardWithUniqueName()
{
    PasteboardServer& server = Server();
    NSPasteboard* pasteboard = nullptr;
    {
        std::lock_guard<std::mutex> lock(server.mutex);
        std::string name;
        // The process id keeps names apart from those of other processes; the serial number from
        // those made before in this one.
        do {
            name = "PlatformUniquePasteboard-" + std::to_string(static_cast<long>(getpid())) + "-" +
                   std::to_string(server.nextSerial++);
        } while (server.byName.count(name) != 0);
        platform::CFOwner<CFStringRef> cfName =
            platform::AdoptCF(platform::CreateStringFromUTF8(kCFAllocatorDefault, name));
        pasteboard = new NSPasteboard(cfName.Get());
        pasteboard->retain();  // the server's reference
        pasteboard->mContents->registered = true;
        server.byName.emplace(name, pasteboard);
    }
    pasteboard->autorelease();
    return pasteboard;
}

NSString* NSPasteboard::name() const
{
    return mContents->name.Get();
}

NSInteger NSPasteboard::declareTypes(NSArray* newTypes, id newOwner)
{
    mContents->items.clear();
    NSUInteger count = newTypes != nullptr ? newTypes->count() : 0;
    for (NSUInteger index = 0; index < count; ++index) {
        CFTypeRef type = newTypes->objectAtIndex(index);
        if (CFGetTypeID(type) != CFStringGetTypeID()) {
            continue;
        }
        bool seen = false;
        for (const auto& item : mContents->items) {
            seen = seen || CFEqual(item.first.Get(), type);
        }
        if (!seen) {
            mContents->items.emplace_back(platform::RetainCF(static_cast<CFStringRef>(type)),
                                          platform::CFOwner<CFStringRef>());
        }
    }
    return ++mContents->changeCount;
}

BOOL NSPasteboard::setString(NSString* string, NSString* dataType)
{
    if (string == nullptr || dataType == nullptr) {
        return NO;
    }
    for (auto& item : mContents->items) {
        if (CFEqual(item.first.Get(), dataType)) {
            platform::CFOwner<CFStringRef> copy = platform::AdoptCF(CFStringCreateCopy(kCFAllocatorDefault, string));
            if (!copy) {
                return NO;
            }
            item.second = std::move(copy);
            return YES;
        }
    }
    return NO;
}

NSString* NSPasteboard::stringForType(NSString* dataType) const
{
    if (dataType == nullptr) {
        return nullptr;
    }
    for (const auto& item : mContents->items) {
        if (CFEqual(item.first.Get(), dataType)) {
            return item.second.Get();
        }
    }
    return nullptr;
}

void NSPasteboard::releaseGlobally()
{
    mContents->items.clear();
    if (!mContents->registered) {
        return;
    }
    {
        PasteboardServer& server = Server();
        std::lock_guard<std::mutex> lock(server.mutex);
        server.byName.erase(platform::StringToUTF8(mContents->name.Get()));
        mContents->registered = false;
    }
    // The server's reference; when it is the last one the pasteboard is gone after this line.
    release();
}
