#include "plugin/support/PluginSession.h"

#include "plugin/menu/MenuRecordReader.h"

#include "plugin/PluginIdentity.h"
#include "prefs/PreferencesStore.h"
#include "support/CFObj.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <cstring>

namespace sessiontest {
namespace {

void RecordKeystroke(void* context, const PlatformKeyboardEvent* event)
{
    if (event->kind == kPlatformKeyEvent) {
        static_cast<PluginSession*>(context)->keystrokes.push_back({event->keyCode, event->keyDown != 0});
    }
}

}  // namespace

CFBundleRef CreateStashwellBundle()
{
    CFObj<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(STASHWELL_BUNDLE_DIR), std::strlen(STASHWELL_BUNDLE_DIR), true));
    CFBundleRef bundle = CFBundleCreate(nullptr, url.Get());
    EXPECT_NE(bundle, nullptr) << "no bundle at " STASHWELL_BUNDLE_DIR;
    return bundle;
}

PluginSession::PluginSession()
{
    platform::prefs::ResetPreferencesForTesting();
    PlatformSetKeyboardSink(RecordKeystroke, this);
    instance = AllocAbstractCMPluginType(kStashwellFactoryID);
    EXPECT_NE(instance, nullptr);
    if (instance != nullptr && instance->bundle == nullptr) {
        // The host has not loaded the bundle in this process: point the instance at it.
        instance->bundle = CreateStashwellBundle();
    }
    EXPECT_EQ(ClearCurrentScrap(), noErr);
}

PluginSession::~PluginSession()
{
    PlatformSetKeyboardSink(nullptr, nullptr);
    if (instance != nullptr) {
        AbstractCMPluginRelease(instance);
    }
    platform::prefs::ResetPreferencesForTesting();
    ClearCurrentScrap();
}

OSStatus PluginSession::Pick(SInt32 command, AEDesc context, int failAllocations)
{
    if (instance == nullptr) {
        return paramErr;  // already reported by the constructor
    }
    menutest::ScopedCommandList commands;
    EXPECT_EQ(CMPluginExamineContext(instance, &context, commands.Get()), noErr);
    PlatformFailNextAllocationsForTesting(failAllocations);
    OSStatus status = CMPluginHandleSelection(instance, &context, command);
    PlatformFailNextAllocationsForTesting(0);
    CMPluginPostMenuCleanup(instance);
    while (CFRunLoopRunInMode(kCFRunLoopDefaultMode, 2.0, true) == kCFRunLoopRunHandledSource) {
    }
    return status;
}

std::string PluginSession::MenuOutline(AEDesc context)
{
    if (instance == nullptr) {
        return "<no instance>";
    }
    menutest::ScopedCommandList commands;
    EXPECT_EQ(CMPluginExamineContext(instance, &context, commands.Get()), noErr);
    std::string outline = menutest::Outline(commands.Read());
    CMPluginPostMenuCleanup(instance);
    return outline;
}

}  // namespace sessiontest
