// The built bundle's localisation table holds every text the plug-in looks up. (A missing entry
// would not show in a menu: the lookup answers the key itself. How a host finds the factory and
// makes an instance is what every clip scenario under cmhost goes through.)
#include "support/CFObj.h"

#include "plugin/support/PluginSession.h"
#include "plugin/support/TextTesting.h"

#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>


namespace {

using texttest::TextOf;

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

}  // namespace
