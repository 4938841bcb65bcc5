// Bundles written into a temporary folder: opening and registration, refusal reasons, resources,
// localized strings with the user's language and its fallbacks, and the executable.
#include "platform/bundle/BundleTestSupport.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace bundletest;

class BundleTest : public testing::Test {
protected:
    void SetUp() override
    {
        mPath = mDir.Child("Sample.plugin");
        WriteBundleFile(mPath + "/Contents/Info.plist",
                        InfoPlist("\t<key>CFBundleIdentifier</key>\n\t<string>org.stashwell.sample</string>\n"
                                  "\t<key>CFBundleExecutable</key>\n\t<string>Sample</string>\n"));
    }

    std::string Resource(const std::string& relative) const { return mPath + "/Contents/Resources/" + relative; }

    CFBundleRef Open() const
    {
        auto url = AdoptCF<CFURLRef>(MakeURL(mPath, true));
        return CFBundleCreate(nullptr, url.Get());
    }

    static std::string LastError() { return TakeText(PlatformCopyLastBundleError()); }

    std::string Localized(CFBundleRef bundle, const char* key, const char* value = nullptr,
                          const char* table = nullptr) const
    {
        auto keyString = AdoptCF<CFStringRef>(key != nullptr ? MakeString(key) : nullptr);
        auto valueString = AdoptCF<CFStringRef>(value != nullptr ? MakeString(value) : nullptr);
        auto tableString = AdoptCF<CFStringRef>(table != nullptr ? MakeString(table) : nullptr);
        return TakeText(CFBundleCopyLocalizedString(bundle, keyString.Get(), valueString.Get(), tableString.Get()));
    }

    testsupport::ScopedTempDir mDir;
    std::string mPath;
};

TEST_F(BundleTest, OpeningRegistersByIdentifierWhileTheBundleLives)
{
    auto identifier = AdoptCF<CFStringRef>(MakeString("org.stashwell.sample"));
    {
        auto bundle = AdoptCF<CFBundleRef>(Open());
        ASSERT_NE(bundle.Get(), nullptr) << LastError();
        EXPECT_EQ(PlatformCopyLastBundleError(), nullptr);
        EXPECT_EQ(TextOf(CFBundleGetIdentifier(bundle.Get())), "org.stashwell.sample");
        EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier.Get()), bundle.Get());

        // The same folder, spelled differently, is the same object.
        auto other = AdoptCF<CFURLRef>(MakeURL(mDir.path() + "/./Sample.plugin/", true));
        auto again = AdoptCF<CFBundleRef>(CFBundleCreate(nullptr, other.Get()));
        EXPECT_EQ(again.Get(), bundle.Get());
        std::filesystem::create_symlink(mPath, mDir.Child("Link.plugin"));
        auto link = AdoptCF<CFURLRef>(MakeURL(mDir.Child("Link.plugin"), true));
        auto linked = AdoptCF<CFBundleRef>(CFBundleCreate(nullptr, link.Get()));
        EXPECT_EQ(linked.Get(), bundle.Get());
        EXPECT_EQ(CFGetRetainCount(bundle.Get()), 3);
    }
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier.Get()), nullptr);
    // Opened again after it was freed: a fresh object, registered again.
    auto reopened = AdoptCF<CFBundleRef>(Open());
    ASSERT_NE(reopened.Get(), nullptr);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier.Get()), reopened.Get());
}

TEST_F(BundleTest, RefusalsNameTheirCause)
{
    struct Case {
        const char* folder;
        bool folderExists;
        std::optional<std::string> infoPlist;
        std::string reason;
    };
    const Case cases[] = {
        {"Missing.plugin", false, std::nullopt, "no bundle folder at " + mDir.Child("Missing.plugin")},
        {"Empty.plugin", true, std::nullopt, "no Info.plist at " + mDir.Child("Empty.plugin") + "/Contents/Info.plist"},
        {"Array.plugin", true, "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><array><string>x</string></array></plist>\n",
         "does not hold a dictionary"},
        {"Garbage.plugin", true, "<plist><dict><key>a</key>",
         "cannot read " + mDir.Child("Garbage.plugin") + "/Contents/Info.plist"},
        {"BadIdentifier.plugin", true, InfoPlist("<key>CFBundleIdentifier</key><integer>7</integer>"),
         "CFBundleIdentifier"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        std::string folder = mDir.Child(c.folder);
        if (c.folderExists) {
            std::filesystem::create_directories(folder);
        }
        if (c.infoPlist) {
            WriteBundleFile(folder + "/Contents/Info.plist", *c.infoPlist);
        }
        auto url = AdoptCF<CFURLRef>(MakeURL(folder, true));
        EXPECT_EQ(CFBundleCreate(nullptr, url.Get()), nullptr);
        EXPECT_NE(LastError().find(c.reason), std::string::npos) << LastError();
    }

    // A success clears the reason of an earlier failure.
    auto good = AdoptCF<CFBundleRef>(Open());
    ASSERT_NE(good.Get(), nullptr);
    EXPECT_EQ(PlatformCopyLastBundleError(), nullptr);
}

TEST_F(BundleTest, LocalizedStringsFollowTheLanguageThenEnglishThenTheValue)
{
    WriteBundleFile(Resource("English.lproj/Localizable.strings"),
                    "\"Lock Keychain\" = \"Lock Keychain\";\n\"Only English\" = \"English text\";\n");
    WriteBundleFile(Resource("de.lproj/Localizable.strings"),
                    "\"Lock Keychain\" = \"Schl\xC3\xBC\x73selbund sperren\";\n");
    WriteBundleFile(Resource("de_AT.lproj/Localizable.strings"), "\"Lock Keychain\" = \"Sperren (AT)\";\n");
    WriteBundleFile(Resource("fr.lproj/Dialogs.strings"), "\"OK\" = \"D'accord\";\n");
    auto bundle = AdoptCF<CFBundleRef>(Open());
    ASSERT_NE(bundle.Get(), nullptr) << LastError();

    {
        ScopedLocale german("de_DE.UTF-8");
        EXPECT_EQ(Localized(bundle.Get(), "Lock Keychain", "Lock Keychain"), "Schl\xC3\xBCsselbund sperren");
        // A key the translation lacks still shows the English table's text.
        EXPECT_EQ(Localized(bundle.Get(), "Only English", "fallback"), "English text");
        EXPECT_EQ(Localized(bundle.Get(), "Nowhere", "The value"), "The value");
        EXPECT_EQ(Localized(bundle.Get(), "Nowhere", ""), "Nowhere");
        EXPECT_EQ(Localized(bundle.Get(), "Nowhere"), "Nowhere");
    }
    {
        ScopedLocale austrian("de_AT.UTF-8@euro");
        EXPECT_EQ(Localized(bundle.Get(), "Lock Keychain"), "Sperren (AT)");
    }
    {
        // LC_ALL wins over LC_MESSAGES, which wins over LANG.
        ScopedLocale overridden("fr_FR.UTF-8", "de_DE.UTF-8", "");
        EXPECT_EQ(Localized(bundle.Get(), "Lock Keychain"), "Schl\xC3\xBCsselbund sperren");
        ScopedLocale all("fr_FR.UTF-8", "de_DE.UTF-8", "en_US.UTF-8");
        EXPECT_EQ(Localized(bundle.Get(), "Lock Keychain"), "Lock Keychain");
    }
    {
        ScopedLocale french("fr_FR");
        EXPECT_EQ(Localized(bundle.Get(), "OK", "OK", "Dialogs"), "D'accord");
        EXPECT_EQ(Localized(bundle.Get(), "OK", "OK", nullptr), "OK");
        EXPECT_EQ(Localized(bundle.Get(), "OK", "OK", "../fr.lproj/Dialogs"), "OK");
    }
    {
        ScopedLocale plain("C");
        EXPECT_EQ(Localized(bundle.Get(), "Lock Keychain"), "Lock Keychain");
    }
    // Without a bundle or a key, the value is the answer.
    EXPECT_EQ(Localized(nullptr, "Key", "Value"), "Value");
    EXPECT_EQ(Localized(nullptr, "Key", nullptr), "Key");
    EXPECT_EQ(Localized(bundle.Get(), nullptr, "Value"), "Value");
    EXPECT_EQ(Localized(bundle.Get(), nullptr, nullptr), "");
}

TEST_F(BundleTest, ClassicLanguageFolderNamesAreFoundToo)
{
    WriteBundleFile(Resource("German.lproj/Localizable.strings"), "\"Lock Keychain\" = \"Sperren\";\n");
    auto bundle = AdoptCF<CFBundleRef>(Open());
    ScopedLocale german("de_CH.UTF-8");
    EXPECT_EQ(Localized(bundle.Get(), "Lock Keychain"), "Sperren");
}

TEST_F(BundleTest, OpeningAndReleasingFromSeveralThreadsKeepsOneBundlePerFolder)
{
    auto identifier = AdoptCF<CFStringRef>(MakeString("org.stashwell.sample"));
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                CFBundleRef bundle = Open();
                if (bundle == nullptr) {
                    ++failures;
                    continue;
                }
                CFBundleRef found = CFBundleGetBundleWithIdentifier(identifier.Get());
                // While this thread holds a reference, the folder's bundle is this one.
                if (found != bundle) {
                    ++failures;
                }
                CFRelease(bundle);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier.Get()), nullptr);
}

TEST_F(BundleTest, TablesAreReadOncePerBundle)
{
    ScopedLocale english("en_US.UTF-8");
    std::string table = Resource("English.lproj/Localizable.strings");
    WriteBundleFile(table, "\"A\" = \"first\";");
    auto bundle = AdoptCF<CFBundleRef>(Open());
    ASSERT_NE(bundle.Get(), nullptr);
    EXPECT_EQ(Localized(bundle.Get(), "A"), "first");
    WriteBundleFile(table, "\"A\" = \"second\";");
    EXPECT_EQ(Localized(bundle.Get(), "A"), "first");
    bundle.Reset();
    auto reopened = AdoptCF<CFBundleRef>(Open());
    EXPECT_EQ(Localized(reopened.Get(), "A"), "second");
}

TEST_F(BundleTest, DamagedTableStillGivesTheEntriesBeforeTheDamage)
{
    ScopedLocale english("en_US.UTF-8");
    WriteBundleFile(Resource("English.lproj/Localizable.strings"), "\"A\" = \"kept\";\n\"B\" = \"lost");
    auto bundle = AdoptCF<CFBundleRef>(Open());
    EXPECT_EQ(Localized(bundle.Get(), "A"), "kept");
    EXPECT_EQ(Localized(bundle.Get(), "B", "value"), "value");
}

TEST_F(BundleTest, ResourceURLsPreferTheLanguageThenEnglishThenResources)
{
    WriteBundleFile(Resource("English.lproj/Dialogs.nib"), "english");
    WriteBundleFile(Resource("de.lproj/Dialogs.nib"), "german");
    WriteBundleFile(Resource("Icon.png"), "icon");
    WriteBundleFile(Resource("English.lproj/Sub/Item.txt"), "item");
    auto bundle = AdoptCF<CFBundleRef>(Open());
    auto resource = [&bundle](const char* name, const char* type, const char* folder = nullptr) {
        auto nameString = AdoptCF<CFStringRef>(MakeString(name));
        auto typeString = AdoptCF<CFStringRef>(MakeString(type));
        auto folderString = AdoptCF<CFStringRef>(folder != nullptr ? MakeString(folder) : nullptr);
        auto url = AdoptCF<CFURLRef>(
            CFBundleCopyResourceURL(bundle.Get(), nameString.Get(), typeString.Get(), folderString.Get()));
        return url.Get() != nullptr ? PathOf(url.Get()) : std::string("(none)");
    };
    {
        ScopedLocale german("de_DE.UTF-8");
        EXPECT_EQ(resource("Dialogs", "nib"), Resource("de.lproj/Dialogs.nib"));
        EXPECT_EQ(resource("Icon", "png"), Resource("Icon.png"));
        EXPECT_EQ(resource("Item", "txt", "Sub"), Resource("English.lproj/Sub/Item.txt"));
        EXPECT_EQ(resource("Item", "png"), "(none)");
    }
    ScopedLocale japanese("ja_JP.UTF-8");
    EXPECT_EQ(resource("Dialogs", "nib"), Resource("English.lproj/Dialogs.nib"));
}

TEST_F(BundleTest, ExecutableRefusals)
{
    auto bundle = AdoptCF<CFBundleRef>(Open());
    ASSERT_NE(bundle.Get(), nullptr);
    EXPECT_FALSE(CFBundleLoadExecutable(bundle.Get()));
    EXPECT_NE(LastError().find("no executable at " + mPath + "/Contents/Linux/Sample.so"), std::string::npos);

    WriteBundleFile(mPath + "/Contents/Linux/Sample.so", "not a shared object");
    EXPECT_FALSE(CFBundleLoadExecutable(bundle.Get()));
    std::string reason = LastError();
    EXPECT_EQ(reason.rfind("cannot load " + mPath + "/Contents/Linux/Sample.so: ", 0), 0u) << reason;
    EXPECT_GT(reason.size(), ("cannot load " + mPath + "/Contents/Linux/Sample.so: ").size());

    std::string escaping = mDir.Child("Escaping.plugin");
    WriteBundleFile(escaping + "/Contents/Info.plist",
                    InfoPlist("<key>CFBundleExecutable</key><string>../../../evil</string>"));
    auto url = AdoptCF<CFURLRef>(MakeURL(escaping, true));
    auto escapingBundle = AdoptCF<CFBundleRef>(CFBundleCreate(nullptr, url.Get()));
    ASSERT_NE(escapingBundle.Get(), nullptr);
    EXPECT_FALSE(CFBundleLoadExecutable(escapingBundle.Get()));
    EXPECT_NE(LastError().find("is not a file name"), std::string::npos);
}

}  // namespace
