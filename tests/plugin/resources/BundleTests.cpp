// The built bundle as a host finds it: Info.plist registers the exported factory for the
// contextual-menu type, and the localisation table holds every text the plug-in looks up.
#include "plugin/PluginIdentity.h"
#include "support/CFObj.h"

#include "plugin/menu/MenuRecordReader.h"
#include "plugin/support/PluginSession.h"
#include "support/TempDir.h"

#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>
#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using texttest::TextOf;

CFURLRef CreateBundleURL()
{
    return CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(STASHWELL_BUNDLE_DIR),
                                                   static_cast<CFIndex>(std::strlen(STASHWELL_BUNDLE_DIR)), true);
}

TEST(StashwellBundle, LocalisationTableHoldsEveryLookedUpText)
{
    CFObj<CFBundleRef> bundle(sessiontest::CreateStashwellBundle());
    ASSERT_NE(bundle.Get(), nullptr);
    EXPECT_EQ(TextOf(CFBundleGetIdentifier(bundle.Get())), "org.stashwell.cmplugin");

    const char* texts[] = {"/Stashwell",     "Add Selected Text...", "Add Clipboard Content...",
                           "Create New Keychain...", "Unlock Keychain...",  "Lock Keychain",
                           "- ",             "An error occurred while saving the clip."};
    for (const char* text : texts) {
        CFObj<CFStringRef> key(CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8));
        // A default that no entry has: an answer equal to the key proves the table holds it.
        CFObj<CFStringRef> found(
            CFBundleCopyLocalizedString(bundle.Get(), key.Get(), CFSTR("<not in the table>"), CFSTR("Localizable")));
        EXPECT_EQ(TextOf(found.Get()), text);
    }
}

TEST(StashwellBundle, HostMakesAnInstanceThroughTheRegisteredFactory)
{
    testsupport::ScopedStorageEnvironment storage;
    CFObj<CFURLRef> url(CreateBundleURL());
    CFObj<CFBundleRef> plugIn(CFPlugInCreate(kCFAllocatorDefault, url.Get()));
    ASSERT_NE(plugIn.Get(), nullptr) << "no plug-in at " STASHWELL_BUNDLE_DIR;

    CFObj<CFArrayRef> factories(CFPlugInFindFactoriesForPlugInTypeInPlugIn(kContextualMenuTypeID, plugIn.Get()));
    ASSERT_NE(factories.Get(), nullptr);
    ASSERT_EQ(CFArrayGetCount(factories.Get()), 1);
    auto factory = static_cast<CFUUIDRef>(CFArrayGetValueAtIndex(factories.Get(), 0));
    EXPECT_TRUE(CFEqual(factory, kStashwellFactoryID));

    void* unknown = CFPlugInInstanceCreate(kCFAllocatorDefault, factory, kContextualMenuTypeID);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(PlatformPlugInInstanceCount(kStashwellFactoryID), 1);
    auto* base = *static_cast<IUnknownVTbl**>(unknown);
    void* menuInterface = nullptr;
    EXPECT_EQ(base->QueryInterface(unknown, CFUUIDGetUUIDBytes(kContextualMenuInterfaceID), &menuInterface), S_OK);
    ASSERT_EQ(menuInterface, unknown);
    EXPECT_EQ(base->Release(unknown), 1u);

    // The interface the host keeps for its menus answers all three menu calls.
    auto* menu = *static_cast<ContextualMenuInterfaceStruct**>(menuInterface);
    AEDesc context = {typeNull, nullptr};
    AEDescList commands = {typeNull, nullptr};
    ASSERT_EQ(AECreateList(nullptr, 0, false, &commands), noErr);
    EXPECT_EQ(menu->ExamineContext(menuInterface, &context, &commands), noErr);
    menu->PostMenuCleanup(menuInterface);
    // As a host does, the 'cfst' names of the records are released before the list goes.
    EXPECT_EQ(menutest::Outline(menutest::ReadMenu(&commands)), "Stashwell{Create New Keychain...}");
    AEDisposeDesc(&commands);

    EXPECT_EQ(menu->Release(menuInterface), 0u);
    EXPECT_EQ(PlatformPlugInInstanceCount(kStashwellFactoryID), 0);
}

}  // namespace
