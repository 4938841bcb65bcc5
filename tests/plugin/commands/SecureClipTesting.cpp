#include "SecureClipTesting.h"

#include "support/ClipboardFlavors.h"

#include "plugin/menu/MenuRecordReader.h"
#include "commands/ClipCreation.h"
#include "support/CFObj.h"

namespace keychaintesting {

void SecureClipTest::TearDown()
{
    ClipKeychain(KeychainPath().c_str()).Lock();
    ClipKeychainTest::TearDown();
}

void SecureClipTest::AddSecureClip(const std::string& name, FlavorSet& flavors, CFStringRef submenu)
{
    menutest::ScopedCommandList list;
    AEDesc context = {typeNull, nullptr};
    ASSERT_EQ(CMPluginExamineContext(mSession.instance, &context, list.Get()), noErr);
    CFObj<CFStringRef> clipName(CreateString(name));
    AddNewSecureClip(mSession.instance, clipName.Get(), submenu, flavors);
    CMPluginPostMenuCleanup(mSession.instance);
}

Flavors SecureClipTest::Clipboard()
{
    return testsupport::ReadClipboardFlavors();
}

std::string SecureClipTest::NoteData(const std::string& noteName)
{
    ClipKeychain keychain(KeychainPath().c_str());
    return ReadNote(keychain, noteName);
}

}  // namespace keychaintesting
