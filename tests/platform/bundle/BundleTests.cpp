// Bundles written into a temporary folder: opening and registration, refusal reasons, resources,
// localized strings with the user's language and its fallbacks, and the executable.
#include "platform/bundle/BundleTestSupport.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
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
        Owned<CFURLRef> url(MakeURL(mPath, true));
        return CFBundleCreate(nullptr, url);
    }

    static std::string LastError() { return TakeText(PlatformCopyLastBundleError()); }

    std::string Localized(CFBundleRef bundle, const char* key, const char* value = nullptr,
                          const char* table = nullptr) const
    {
        Owned<CFStringRef> keyString(key != nullptr ? MakeString(key) : nullptr);
        Owned<CFStringRef> valueString(value != nullptr ? MakeString(value) : nullptr);
        Owned<CFStringRef> tableString(table != nullptr ? MakeString(table) : nullptr);
        return TakeText(CFBundleCopyLocalizedString(bundle, keyString, valueString, tableString));
    }

    testsupport::ScopedTempDir mDir;
    std::string mPath;
};

TEST_F(BundleTest, OpeningRegistersByIdentifierWhileTheBundleLives)
{
    Owned<CFStringRef> identifier(MakeString("org.stashwell.sample"));
    {
        Owned<CFBundleRef> bundle(Open());
        ASSERT_NE(bundle.get(), nullptr) << LastError();
        EXPECT_EQ(PlatformCopyLastBundleError(), nullptr);
        EXPECT_EQ(TextOf(CFBundleGetIdentifier(bundle)), "org.stashwell.sample");
        EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier), bundle.get());
        EXPECT_EQ(CFGetRetainCount(bundle), 1) << "the registry must not own the bundle";

        // The same folder, spelled differently, is the same object.
        Owned<CFURLRef> other(MakeURL(mDir.path() + "/./Sample.plugin/", true));
        Owned<CFBundleRef> again(CFBundleCreate(nullptr, other));
        EXPECT_EQ(again.get(), bundle.get());
        std::filesystem::create_symlink(mPath, mDir.Child("Link.plugin"));
        Owned<CFURLRef> link(MakeURL(mDir.Child("Link.plugin"), true));
        Owned<CFBundleRef> linked(CFBundleCreate(nullptr, link));
        EXPECT_EQ(linked.get(), bundle.get());
        EXPECT_EQ(CFGetRetainCount(bundle), 3);

        Owned<CFURLRef> url(CFBundleCopyBundleURL(bundle));
        EXPECT_TRUE(CFURLHasDirectoryPath(url));
        Owned<CFStringRef> executableKey(MakeString("CFBundleExecutable"));
        EXPECT_EQ(TextOf(static_cast<CFStringRef>(CFBundleGetValueForInfoDictionaryKey(bundle, executableKey))),
                  "Sample");
        Owned<CFURLRef> executable(CFBundleCopyExecutableURL(bundle));
        EXPECT_EQ(LastComponentOf(executable), "Sample.so");
    }
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier), nullptr);
    // Opened again after it was freed: a fresh object, registered again.
    Owned<CFBundleRef> reopened(Open());
    ASSERT_NE(reopened.get(), nullptr);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier), reopened.get());
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
        Owned<CFURLRef> url(MakeURL(folder, true));
        EXPECT_EQ(CFBundleCreate(nullptr, url), nullptr);
        EXPECT_NE(LastError().find(c.reason), std::string::npos) << LastError();
    }

    // A success clears the reason of an earlier failure.
    Owned<CFBundleRef> good(Open());
    ASSERT_NE(good.get(), nullptr);
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
    Owned<CFBundleRef> bundle(Open());
    ASSERT_NE(bundle.get(), nullptr) << LastError();

    {
        ScopedLocale german("de_DE.UTF-8");
        EXPECT_EQ(Localized(bundle, "Lock Keychain", "Lock Keychain"), "Schl\xC3\xBCsselbund sperren");
        // A key the translation lacks still shows the English table's text.
        EXPECT_EQ(Localized(bundle, "Only English", "fallback"), "English text");
        EXPECT_EQ(Localized(bundle, "Nowhere", "The value"), "The value");
        EXPECT_EQ(Localized(bundle, "Nowhere", ""), "Nowhere");
        EXPECT_EQ(Localized(bundle, "Nowhere"), "Nowhere");
    }
    {
        ScopedLocale austrian("de_AT.UTF-8@euro");
        EXPECT_EQ(Localized(bundle, "Lock Keychain"), "Sperren (AT)");
    }
    {
        // LC_ALL wins over LC_MESSAGES, which wins over LANG.
        ScopedLocale overridden("fr_FR.UTF-8", "de_DE.UTF-8", "");
        EXPECT_EQ(Localized(bundle, "Lock Keychain"), "Schl\xC3\xBCsselbund sperren");
        ScopedLocale all("fr_FR.UTF-8", "de_DE.UTF-8", "en_US.UTF-8");
        EXPECT_EQ(Localized(bundle, "Lock Keychain"), "Lock Keychain");
    }
    {
        ScopedLocale french("fr_FR");
        EXPECT_EQ(Localized(bundle, "OK", "OK", "Dialogs"), "D'accord");
        EXPECT_EQ(Localized(bundle, "OK", "OK", nullptr), "OK");
        EXPECT_EQ(Localized(bundle, "OK", "OK", "../fr.lproj/Dialogs"), "OK");
    }
    {
        ScopedLocale plain("C");
        EXPECT_EQ(Localized(bundle, "Lock Keychain"), "Lock Keychain");
    }
}

TEST_F(BundleTest, ClassicLanguageFolderNamesAreFoundToo)
{
    WriteBundleFile(Resource("German.lproj/Localizable.strings"), "\"Lock Keychain\" = \"Sperren\";\n");
    Owned<CFBundleRef> bundle(Open());
    ScopedLocale german("de_CH.UTF-8");
    EXPECT_EQ(Localized(bundle, "Lock Keychain"), "Sperren");
}

TEST_F(BundleTest, OpeningAndReleasingFromSeveralThreadsKeepsOneBundlePerFolder)
{
    Owned<CFStringRef> identifier(MakeString("org.stashwell.sample"));
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
                CFBundleRef found = CFBundleGetBundleWithIdentifier(identifier);
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
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier), nullptr);
}

TEST_F(BundleTest, LocalizedStringWithoutBundleOrKeyAnswersTheValue)
{
    EXPECT_EQ(Localized(nullptr, "Key", "Value"), "Value");
    EXPECT_EQ(Localized(nullptr, "Key", nullptr), "Key");
    Owned<CFBundleRef> bundle(Open());
    ASSERT_NE(bundle.get(), nullptr);
    EXPECT_EQ(Localized(bundle, nullptr, "Value"), "Value");
    EXPECT_EQ(Localized(bundle, nullptr, nullptr), "");
}

TEST_F(BundleTest, TablesAreReadOncePerBundle)
{
    ScopedLocale english("en_US.UTF-8");
    std::string table = Resource("English.lproj/Localizable.strings");
    WriteBundleFile(table, "\"A\" = \"first\";");
    Owned<CFBundleRef> bundle(Open());
    ASSERT_NE(bundle.get(), nullptr);
    EXPECT_EQ(Localized(bundle, "A"), "first");
    WriteBundleFile(table, "\"A\" = \"second\";");
    EXPECT_EQ(Localized(bundle, "A"), "first");
    bundle.reset();
    Owned<CFBundleRef> reopened(Open());
    EXPECT_EQ(Localized(reopened, "A"), "second");
}

TEST_F(BundleTest, DamagedTableStillGivesTheEntriesBeforeTheDamage)
{
    ScopedLocale english("en_US.UTF-8");
    WriteBundleFile(Resource("English.lproj/Localizable.strings"), "\"A\" = \"kept\";\n\"B\" = \"lost");
    Owned<CFBundleRef> bundle(Open());
    EXPECT_EQ(Localized(bundle, "A"), "kept");
    EXPECT_EQ(Localized(bundle, "B", "value"), "value");
}

TEST_F(BundleTest, ResourceURLsPreferTheLanguageThenEnglishThenResources)
{
    WriteBundleFile(Resource("English.lproj/Dialogs.nib"), "english");
    WriteBundleFile(Resource("de.lproj/Dialogs.nib"), "german");
    WriteBundleFile(Resource("Icon.png"), "icon");
    WriteBundleFile(Resource("English.lproj/Sub/Item.txt"), "item");
    Owned<CFBundleRef> bundle(Open());
    auto resource = [&bundle](const char* name, const char* type, const char* folder = nullptr) {
        Owned<CFStringRef> nameString(MakeString(name));
        Owned<CFStringRef> typeString(MakeString(type));
        Owned<CFStringRef> folderString(folder != nullptr ? MakeString(folder) : nullptr);
        Owned<CFURLRef> url(CFBundleCopyResourceURL(bundle, nameString, typeString, folderString));
        return url.get() != nullptr ? PathOf(url) : std::string("(none)");
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

TEST_F(BundleTest, ExecutableLoadsFindsFunctionsAndUnloads)
{
    WriteBundleFile(mPath + "/Contents/Linux/Sample.so", "");
    std::filesystem::copy_file(TEST_PLUGIN_EXECUTABLE, mPath + "/Contents/Linux/Sample.so",
                               std::filesystem::copy_options::overwrite_existing);
    Owned<CFBundleRef> bundle(Open());
    ASSERT_NE(bundle.get(), nullptr);
    EXPECT_FALSE(CFBundleIsExecutableLoaded(bundle));
    ASSERT_TRUE(CFBundleLoadExecutable(bundle)) << LastError();
    EXPECT_TRUE(CFBundleIsExecutableLoaded(bundle));
    Owned<CFStringRef> name(MakeString("TestBundleInstanceMagic"));
    EXPECT_NE(CFBundleGetFunctionPointerForName(bundle, name), nullptr);
    Owned<CFStringRef> missing(MakeString("NoSuchFunction"));
    EXPECT_EQ(CFBundleGetFunctionPointerForName(bundle, missing), nullptr);

    std::string so = mPath + "/Contents/Linux/Sample.so";
    CFBundleUnloadExecutable(bundle);
    EXPECT_FALSE(CFBundleIsExecutableLoaded(bundle));
    EXPECT_EQ(dlopen(so.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library is still mapped";

    // Finalizing a loaded bundle unloads it as well.
    ASSERT_TRUE(CFBundleLoadExecutable(bundle));
    bundle.reset();
    EXPECT_EQ(dlopen(so.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library is still mapped";
}

TEST_F(BundleTest, ExecutableRefusals)
{
    Owned<CFBundleRef> bundle(Open());
    ASSERT_NE(bundle.get(), nullptr);
    EXPECT_FALSE(CFBundleLoadExecutable(bundle));
    EXPECT_NE(LastError().find("no executable at " + mPath + "/Contents/Linux/Sample.so"), std::string::npos);

    WriteBundleFile(mPath + "/Contents/Linux/Sample.so", "not a shared object");
    EXPECT_FALSE(CFBundleLoadExecutable(bundle));
    std::string reason = LastError();
    EXPECT_EQ(reason.rfind("cannot load " + mPath + "/Contents/Linux/Sample.so: ", 0), 0u) << reason;
    EXPECT_GT(reason.size(), ("cannot load " + mPath + "/Contents/Linux/Sample.so: ").size());

    std::string escaping = mDir.Child("Escaping.plugin");
    WriteBundleFile(escaping + "/Contents/Info.plist",
                    InfoPlist("<key>CFBundleExecutable</key><string>../../../evil</string>"));
    Owned<CFURLRef> url(MakeURL(escaping, true));
    Owned<CFBundleRef> escapingBundle(CFBundleCreate(nullptr, url));
    ASSERT_NE(escapingBundle.get(), nullptr);
    EXPECT_EQ(CFBundleCopyExecutableURL(escapingBundle), nullptr);
    EXPECT_FALSE(CFBundleLoadExecutable(escapingBundle));
    EXPECT_NE(LastError().find("is not a file name"), std::string::npos);
}

}  // namespace
