// A whole menu through the ExamineContext entry point: an instance over the plug-in's own bundle,
// a clip list stored in the preferences as another process would have left it, and the host's
// command list read back record by record.
#include "plugin/AbstractCMPlugin.h"
#include "plugin/PluginIdentity.h"
#include "prefs/PreferencesStore.h"
#include "support/CFObj.h"

#include "plugin/menu/MenuRecordReader.h"
#include "support/StoredClipList.h"
#include "support/TempDir.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using cliplisttest::Clip;
using cliplisttest::StoreClipList;
using menutest::FindEntry;
using menutest::MenuEntry;
using menutest::Outline;
using menutest::ScopedCommandList;

class MenuExaminationTest : public testing::Test {
protected:
    void SetUp() override
    {
        platform::prefs::ResetPreferencesForTesting();
        mSavedVersion = PlatformGetSystemVersion();
    }

    void TearDown() override
    {
        if (mInstance != nullptr) {
            AbstractCMPluginRelease(mInstance);
        }
        PlatformSetSystemVersion(mSavedVersion);
        platform::prefs::ResetPreferencesForTesting();
    }

    // The instance, over the bundle at bundleDir (which must carry the plug-in's identifier).
    void MakeInstance(const std::string& bundleDir = STASHWELL_BUNDLE_DIR)
    {
        CFObj<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
            kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bundleDir.c_str()),
            static_cast<CFIndex>(bundleDir.size()), true));
        mBundle.Adopt(CFBundleCreate(kCFAllocatorDefault, url.Get()));
        ASSERT_NE(mBundle.Get(), nullptr) << "no bundle at " << bundleDir;
        mInstance = AllocAbstractCMPluginType(kStashwellFactoryID);
        ASSERT_NE(mInstance, nullptr);
        ASSERT_EQ(mInstance->bundle, mBundle.Get());
    }

    // One menu over the context, cleaned up afterwards; its records.
    std::vector<MenuEntry> OpenMenu(const AEDesc* context)
    {
        ScopedCommandList list;
        EXPECT_EQ(CMPluginExamineContext(mInstance, context, list.Get()), noErr);
        EXPECT_EQ(mInstance->implData.retainCount, 1);
        std::vector<MenuEntry> menu = list.Read();
        CMPluginPostMenuCleanup(mInstance);
        EXPECT_EQ(mInstance->implData.retainCount, 0);
        EXPECT_EQ(mInstance->implData.clipList, nullptr);
        return menu;
    }

    testsupport::ScopedStorageEnvironment mStorage;
    CFObj<CFBundleRef> mBundle;
    AbstractCMPluginType* mInstance = nullptr;
    SInt32 mSavedVersion = 0;
    AEDesc mNullContext = {typeNull, nullptr};
};

// A context holding selected text, as the host makes it for a text selection.
class TextContext {
public:
    explicit TextContext(const char16_t* text)
    {
        AECreateDesc(typeUnicodeText, text, static_cast<Size>(std::char_traits<char16_t>::length(text) * 2), &mDesc);
    }
    ~TextContext() { AEDisposeDesc(&mDesc); }
    const AEDesc* Get() const { return &mDesc; }

private:
    AEDesc mDesc = {typeNull, nullptr};
};

// "Add Selected Text..." needs selected text: in the context, or in a Cocoa host's focused view.
TEST_F(MenuExaminationTest, OnlyASelectionOffersAddSelectedText)
{
    MakeInstance();
    TextContext empty(u"");
    EXPECT_EQ(Outline(OpenMenu(empty.Get())), "Stashwell{Create New Keychain...}");
    EXPECT_EQ(Outline(OpenMenu(&mNullContext)), "Stashwell{Create New Keychain...}");

    PlatformInstallCocoaApplication(CFSTR("selected words"), kPlatformCocoaViewWritesSelection);
    std::vector<MenuEntry> withSelection = OpenMenu(&mNullContext);
    PlatformInstallCocoaApplication(nullptr, kPlatformCocoaViewWritesSelection);
    std::vector<MenuEntry> withoutSelection = OpenMenu(&mNullContext);
    PlatformRemoveCocoaApplication();

    EXPECT_EQ(Outline(withSelection), "Stashwell{Add Selected Text...,Create New Keychain...}");
    // The add item is a plain command, without the attributes of a clip's item; with no keychain
    // file the keychain command creates one.
    const MenuEntry& add = withSelection[0].items[0];
    EXPECT_EQ(add.command, 100);
    EXPECT_FALSE(add.attributes.has_value());
    EXPECT_EQ(withSelection[0].items[1].command, 125);
    EXPECT_EQ(Outline(withoutSelection), "Stashwell{Create New Keychain...}")
        << "with nothing else to offer, the root submenu still holds the keychain command";
}

TEST_F(MenuExaminationTest, EveryNameIsUnicodeTextBefore10_2OrWithoutAVersion)
{
    MakeInstance();
    StoreClipList({Clip("Greeting", "/Stashwell"), Clip("Other", "/Elsewhere")});
    TextContext context(u"x");
    for (SInt32 version : {0x1019, 0, 0x1020}) {
        PlatformSetSystemVersion(version);
        std::vector<MenuEntry> menu = OpenMenu(context.Get());
        EXPECT_EQ(Outline(menu), "Stashwell{Add Selected Text...,Create New Keychain...,-,Greeting,- Greeting},Elsewhere{Other,- Other}");
        const DescType expected = version >= 0x1020 ? typeCFStringRef : typeUnicodeText;
        for (const MenuEntry& submenu : menu) {
            for (const MenuEntry& item : submenu.items) {
                EXPECT_EQ(item.nameType, expected) << item.name << " at " << version;
            }
        }
    }
}

TEST_F(MenuExaminationTest, EveryTextComesFromTheBundlesTable)
{
    // A copy of the bundle whose table translates every menu text.
    testsupport::ScopedTempDir dir;
    std::string bundleDir = dir.Child("Translated.plugin");
    std::filesystem::create_directories(bundleDir + "/Contents/Resources/English.lproj");
    std::filesystem::copy_file(std::string(STASHWELL_SOURCE_DIR) + "/resources/Info.plist",
                               bundleDir + "/Contents/Info.plist");
    testsupport::WriteFile(bundleDir + "/Contents/Resources/English.lproj/Localizable.strings",
                           "\"/Stashwell\" = \"/R\xC3\xA9serve\";\n"
                           "\"Add Selected Text...\" = \"Ajouter le texte\";\n"
                           "\"- \" = \"Supprimer \";\n"
                           "\"Create New Keychain...\" = \"Nouveau trousseau...\";\n");
    MakeInstance(bundleDir);
    StoreClipList({Clip("Note", "/R\xC3\xA9serve"), Clip("Old", "/Stashwell")});
    TextContext context(u"x");
    EXPECT_EQ(Outline(OpenMenu(context.Get())),
              "R\xC3\xA9serve{Ajouter le texte,Nouveau trousseau...,-,Note,Supprimer Note},Stashwell{Old,Supprimer Old}");
}

}  // namespace
