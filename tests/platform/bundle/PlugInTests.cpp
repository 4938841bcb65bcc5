// Plug-ins written into a temporary folder: factory and type registration, instances made
// through the test executable, instance counts that keep the code loaded, and refusal reasons.
#include "platform/bundle/BundleTestSupport.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>

namespace {

using namespace bundletest;

// The identifiers the test executable was built with.
const char* const kFactory = "5A1E0001-2233-4455-6677-8899AABBCC01";
const char* const kType = "7E570002-2233-4455-6677-8899AABBCC02";
const char* const kOtherFactory = "0F0F0F0F-2233-4455-6677-8899AABBCC03";

CFUUIDRef MakeUUID(const char* text)
{
    auto string = AdoptCF<CFStringRef>(MakeString(text));
    return CFUUIDCreateFromString(nullptr, string.Get());
}

std::string FactoriesPlist(const std::string& factories, const std::string& types)
{
    return InfoPlist("<key>CFBundleIdentifier</key><string>org.stashwell.testplugin</string>\n"
                     "<key>CFBundleExecutable</key><string>TestFactory</string>\n"
                     "<key>CFPlugInFactories</key>" +
                     factories + "\n<key>CFPlugInTypes</key>" + types + "\n");
}

std::string GoodFactories()
{
    return std::string("<dict><key>") + kFactory + "</key><string>TestBundleFactory</string><key>" + kOtherFactory +
           "</key><string>NoSuchFactoryFunction</string></dict>";
}

std::string GoodTypes()
{
    return std::string("<dict><key>") + kType + "</key><array><string>" + kFactory + "</string><string>" +
           kOtherFactory + "</string></array></dict>";
}

class PlugInTest : public testing::Test {
protected:
    // Writes a plug-in folder with the test executable and the given Info.plist.
    std::string WritePlugIn(const std::string& name, const std::string& plist, bool withExecutable = true)
    {
        std::string path = mDir.Child(name);
        WriteBundleFile(path + "/Contents/Info.plist", plist);
        if (withExecutable) {
            std::filesystem::create_directories(path + "/Contents/Linux");
            std::filesystem::copy_file(TEST_PLUGIN_EXECUTABLE, path + "/Contents/Linux/TestFactory.so");
        }
        return path;
    }

    static CFPlugInRef Create(const std::string& path)
    {
        auto url = AdoptCF<CFURLRef>(MakeURL(path, true));
        return CFPlugInCreate(nullptr, url.Get());
    }

    static std::string LastError() { return TakeText(PlatformCopyLastBundleError()); }

    static bool IsMapped(const std::string& path)
    {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) {
            dlclose(handle);
        }
        return handle != nullptr;
    }

    testsupport::ScopedTempDir mDir;
    CFOwner<CFUUIDRef> mFactory = AdoptCF<CFUUIDRef>(MakeUUID(kFactory));
    CFOwner<CFUUIDRef> mType = AdoptCF<CFUUIDRef>(MakeUUID(kType));
    CFOwner<CFUUIDRef> mOtherFactory = AdoptCF<CFUUIDRef>(MakeUUID(kOtherFactory));
};

TEST_F(PlugInTest, InstancesKeepTheExecutableLoadedUntilTheLastIsRemoved)
{
    std::string path = WritePlugIn("Test.plugin", FactoriesPlist(GoodFactories(), GoodTypes()));
    std::string so = path + "/Contents/Linux/TestFactory.so";
    auto plugIn = AdoptCF<CFPlugInRef>(Create(path));
    ASSERT_NE(plugIn.Get(), nullptr) << LastError();

    void* instance = CFPlugInInstanceCreate(nullptr, mFactory.Get(), mType.Get());
    ASSERT_NE(instance, nullptr) << LastError();
    EXPECT_EQ(PlatformPlugInInstanceCount(mFactory.Get()), 1);
    EXPECT_TRUE(CFBundleIsExecutableLoaded(plugIn.Get()));
    auto magicName = AdoptCF<CFStringRef>(MakeString("TestBundleInstanceMagic"));
    auto magic = reinterpret_cast<int (*)(void*)>(CFBundleGetFunctionPointerForName(plugIn.Get(), magicName.Get()));
    ASSERT_NE(magic, nullptr);
    EXPECT_EQ(magic(instance), 0x5ea1);
    auto missing = AdoptCF<CFStringRef>(MakeString("NoSuchFunction"));
    EXPECT_EQ(CFBundleGetFunctionPointerForName(plugIn.Get(), missing.Get()), nullptr);

    // The factory decides which types it makes: another type gives nothing and counts nothing.
    EXPECT_EQ(CFPlugInInstanceCreate(nullptr, mFactory.Get(), mFactory.Get()), nullptr);
    EXPECT_EQ(PlatformPlugInInstanceCount(mFactory.Get()), 1);

    CFBundleUnloadExecutable(plugIn.Get());
    EXPECT_TRUE(CFBundleIsExecutableLoaded(plugIn.Get())) << "unloaded under a live instance";
    EXPECT_TRUE(IsMapped(so));

    auto releaseName = AdoptCF<CFStringRef>(MakeString("TestBundleInstanceRelease"));
    auto release =
        reinterpret_cast<void (*)(void*)>(CFBundleGetFunctionPointerForName(plugIn.Get(), releaseName.Get()));
    ASSERT_NE(release, nullptr);
    release(instance);
    EXPECT_EQ(PlatformPlugInInstanceCount(mFactory.Get()), 0);
    CFBundleUnloadExecutable(plugIn.Get());
    EXPECT_FALSE(CFBundleIsExecutableLoaded(plugIn.Get()));
    EXPECT_FALSE(IsMapped(so));

    // Finalizing a loaded bundle unloads it as well.
    ASSERT_TRUE(CFBundleLoadExecutable(plugIn.Get()));
    plugIn.Reset();
    EXPECT_FALSE(IsMapped(so));
}

TEST_F(PlugInTest, APlugInFreedWithALiveInstanceLeavesItsCodeLoaded)
{
    std::string path = WritePlugIn("Kept.plugin", FactoriesPlist(GoodFactories(), GoodTypes()));
    std::string so = path + "/Contents/Linux/TestFactory.so";
    auto plugIn = AdoptCF<CFPlugInRef>(Create(path));
    ASSERT_NE(plugIn.Get(), nullptr) << LastError();
    auto releaseName = AdoptCF<CFStringRef>(MakeString("TestBundleInstanceRelease"));
    auto release =
        reinterpret_cast<void (*)(void*)>(CFBundleGetFunctionPointerForName(plugIn.Get(), releaseName.Get()));
    ASSERT_NE(release, nullptr);
    void* instance = CFPlugInInstanceCreate(nullptr, mFactory.Get(), mType.Get());
    ASSERT_NE(instance, nullptr) << LastError();

    plugIn.Reset();
    EXPECT_TRUE(IsMapped(so)) << "the instance's code was unmapped under it";
    release(instance);
    EXPECT_EQ(PlatformPlugInInstanceCount(mFactory.Get()), 0);
}

TEST_F(PlugInTest, InstanceCountsIgnoreARemoveBelowZero)
{
    auto factory = AdoptCF<CFUUIDRef>(MakeUUID("11111111-2222-3333-4444-555555555555"));
    EXPECT_EQ(PlatformPlugInInstanceCount(factory.Get()), 0);
    CFPlugInRemoveInstanceForFactory(factory.Get());
    EXPECT_EQ(PlatformPlugInInstanceCount(factory.Get()), 0);
    CFPlugInAddInstanceForFactory(factory.Get());
    CFPlugInAddInstanceForFactory(factory.Get());
    EXPECT_EQ(PlatformPlugInInstanceCount(factory.Get()), 2);
    EXPECT_EQ(PlatformPlugInInstanceCount(mFactory.Get()), 0);
    CFPlugInRemoveInstanceForFactory(factory.Get());
    CFPlugInRemoveInstanceForFactory(factory.Get());
    CFPlugInRemoveInstanceForFactory(factory.Get());
    EXPECT_EQ(PlatformPlugInInstanceCount(factory.Get()), 0);
    CFPlugInAddInstanceForFactory(factory.Get());
    EXPECT_EQ(PlatformPlugInInstanceCount(factory.Get()), 1);
    CFPlugInRemoveInstanceForFactory(factory.Get());
    EXPECT_EQ(PlatformPlugInInstanceCount(nullptr), 0);
}

TEST_F(PlugInTest, InstanceCreationFailuresNameTheirCause)
{
    std::string path = WritePlugIn("Test.plugin", FactoriesPlist(GoodFactories(), GoodTypes()));
    auto plugIn = AdoptCF<CFPlugInRef>(Create(path));
    ASSERT_NE(plugIn.Get(), nullptr) << LastError();

    EXPECT_EQ(CFPlugInInstanceCreate(nullptr, mOtherFactory.Get(), mType.Get()), nullptr);
    EXPECT_EQ(LastError(), "factory function NoSuchFactoryFunction not found in " + path +
                               "/Contents/Linux/TestFactory.so");

    auto unknown = AdoptCF<CFUUIDRef>(MakeUUID("99999999-2222-3333-4444-555555555555"));
    EXPECT_EQ(CFPlugInInstanceCreate(nullptr, unknown.Get(), mType.Get()), nullptr);
    EXPECT_NE(LastError().find("99999999-2222-3333-4444-555555555555"), std::string::npos);

    std::string noCode = WritePlugIn("NoCode.plugin",
                                     InfoPlist("<key>CFBundleExecutable</key><string>TestFactory</string>\n"
                                               "<key>CFPlugInFactories</key><dict><key>"
                                               "22222222-2222-3333-4444-555555555555</key>"
                                               "<string>TestBundleFactory</string></dict>"),
                                     false);
    auto noCodePlugIn = AdoptCF<CFPlugInRef>(Create(noCode));
    ASSERT_NE(noCodePlugIn.Get(), nullptr) << LastError();
    auto noCodeFactory = AdoptCF<CFUUIDRef>(MakeUUID("22222222-2222-3333-4444-555555555555"));
    EXPECT_EQ(CFPlugInInstanceCreate(nullptr, noCodeFactory.Get(), mType.Get()), nullptr);
    EXPECT_NE(LastError().find("no executable at " + noCode + "/Contents/Linux/TestFactory.so"), std::string::npos);
}

TEST_F(PlugInTest, DeclarationsThatLieAreRefusedWithAReason)
{
    struct Case {
        const char* name;
        std::string factories;
        std::string types;
        std::string reasonPart;
    };
    const std::string factoryKey = std::string("<key>") + kFactory + "</key>";
    const Case cases[] = {
        {"BadFactoryUUID.plugin", "<dict><key>not-a-uuid</key><string>TestBundleFactory</string></dict>",
         "<dict/>", "factory \"not-a-uuid\" in "},
        {"FactoryNotString.plugin", "<dict>" + factoryKey + "<integer>3</integer></dict>", "<dict/>",
         "names no function"},
        {"FactoriesNotDict.plugin", "<array/>", "<dict/>", "CFPlugInFactories in "},
        {"TypesNotDict.plugin", GoodFactories(), "<string>x</string>", "CFPlugInTypes in "},
        {"BadTypeUUID.plugin", GoodFactories(), "<dict><key>zz</key><array/></dict>", "type \"zz\" in "},
        {"TypeNotArray.plugin", GoodFactories(), std::string("<dict><key>") + kType + "</key><string>" + kFactory +
                                                     "</string></dict>",
         "does not list its factories in an array"},
        {"Undeclared.plugin", std::string("<dict>") + factoryKey + "<string>TestBundleFactory</string></dict>",
         std::string("<dict><key>") + kType + "</key><array><string>" + kOtherFactory + "</string></array></dict>",
         std::string("factory ") + kOtherFactory + " listed for type " + kType +
             " in {plist} is not declared in CFPlugInFactories"},
        {"ListedNotUUID.plugin", GoodFactories(),
         std::string("<dict><key>") + kType + "</key><array><integer>1</integer></array></dict>",
         "is not a UUID"},
    };
    for (const Case& c : cases) {
        std::string path = WritePlugIn(c.name, FactoriesPlist(c.factories, c.types), false);
        std::string reasonPart = c.reasonPart;
        size_t placeholder = reasonPart.find("{plist}");
        if (placeholder != std::string::npos) {
            reasonPart.replace(placeholder, 7, path + "/Contents/Info.plist");
        }
        EXPECT_EQ(Create(path), nullptr) << c.name;
        std::string reason = LastError();
        EXPECT_NE(reason.find(reasonPart), std::string::npos) << c.name << ": " << reason;
        auto factories = AdoptCF<CFArrayRef>(CFPlugInFindFactoriesForPlugInType(mType.Get()));
        EXPECT_EQ(CFArrayGetCount(factories.Get()), 0) << c.name << " left factories registered";
    }
}

TEST_F(PlugInTest, AFactoryBelongsToOnePlugInAtATime)
{
    std::string first = WritePlugIn("First.plugin", FactoriesPlist(GoodFactories(), GoodTypes()), false);
    std::string second = WritePlugIn("Second.plugin", FactoriesPlist(GoodFactories(), GoodTypes()), false);
    auto plugIn = AdoptCF<CFPlugInRef>(Create(first));
    ASSERT_NE(plugIn.Get(), nullptr) << LastError();
    // Opening it again neither fails nor registers the factories twice.
    auto again = AdoptCF<CFPlugInRef>(Create(first));
    EXPECT_EQ(again.Get(), plugIn.Get());
    auto factories = AdoptCF<CFArrayRef>(CFPlugInFindFactoriesForPlugInType(mType.Get()));
    ASSERT_EQ(CFArrayGetCount(factories.Get()), 2);
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(factories.Get(), 0), mFactory.Get()));
    EXPECT_TRUE(CFEqual(CFArrayGetValueAtIndex(factories.Get(), 1), mOtherFactory.Get()));
    EXPECT_EQ(Create(second), nullptr);
    EXPECT_NE(LastError().find("is already registered by " + first), std::string::npos);
    plugIn.Reset();
    again.Reset();
    auto secondPlugIn = AdoptCF<CFPlugInRef>(Create(second));
    EXPECT_NE(secondPlugIn.Get(), nullptr) << LastError();
}

}  // namespace
