// The plug-in as the host sees it: the factory, the interface table and its reference counting,
// and the entry points' argument checks and holds on the working data.
#include "plugin/AbstractCMPlugin.h"
#include "plugin/PluginIdentity.h"
#include "plugin/Preferences.h"
#include "support/CFDictArray.h"
#include "support/CFObj.h"

#include "plugin/menu/MenuRecordReader.h"
#include "plugin/support/PluginSession.h"
#include "support/TempDir.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// The table the host calls through, reached the way the host reaches it.
ContextualMenuInterfaceStruct* TableOf(void* interface)
{
    return *static_cast<ContextualMenuInterfaceStruct**>(interface);
}

AbstractCMPluginType* AsInstance(void* interface)
{
    return static_cast<AbstractCMPluginType*>(interface);
}

// Sets the system version that Gestalt answers for the life of the object.
class ScopedSystemVersion {
public:
    explicit ScopedSystemVersion(SInt32 version) : mSaved(PlatformGetSystemVersion())
    {
        PlatformSetSystemVersion(version);
    }
    ~ScopedSystemVersion() { PlatformSetSystemVersion(mSaved); }

private:
    SInt32 mSaved;
};

class PluginFrameTest : public testing::Test {
protected:
    void SetUp() override { AECreateList(nullptr, 0, false, &mCommands); }
    void TearDown() override
    {
        // As a host does, every 'cfst' name the menu records hold is released before the list goes.
        menutest::ReadMenu(&mCommands);
        AEDisposeDesc(&mCommands);
    }

    testsupport::ScopedStorageEnvironment mStorage;
    AEDesc mNullContext = {typeNull, nullptr};
    AEDescList mCommands = {typeNull, nullptr};
};

TEST_F(PluginFrameTest, FactoryMakesNothingForOtherTypes)
{
    CFIndex registered = PlatformPlugInInstanceCount(kStashwellFactoryID);
    long live = PlatformLiveObjectCount();
    EXPECT_EQ(AbstractCMPluginFactory(kCFAllocatorDefault, kContextualMenuInterfaceID), nullptr);
    EXPECT_EQ(AbstractCMPluginFactory(kCFAllocatorDefault, IUnknownUUID), nullptr);
    CFObj<CFUUIDRef> random(CFUUIDCreate(kCFAllocatorDefault));
    EXPECT_EQ(AbstractCMPluginFactory(kCFAllocatorDefault, random.Get()), nullptr);
    EXPECT_EQ(AbstractCMPluginFactory(kCFAllocatorDefault, nullptr), nullptr);
    EXPECT_EQ(PlatformPlugInInstanceCount(kStashwellFactoryID), registered);
    EXPECT_EQ(PlatformLiveObjectCount(), live + 1);  // the random identifier only
}

TEST_F(PluginFrameTest, BothInterfacesAnswerWithTheSameRecordAndCountAReference)
{
    void* interface = AbstractCMPluginFactory(kCFAllocatorDefault, kContextualMenuTypeID);
    ASSERT_NE(interface, nullptr);
    ContextualMenuInterfaceStruct* table = TableOf(interface);

    void* menuInterface = nullptr;
    EXPECT_EQ(table->QueryInterface(interface, CFUUIDGetUUIDBytes(kContextualMenuInterfaceID), &menuInterface), S_OK);
    EXPECT_EQ(menuInterface, interface);
    EXPECT_EQ(AsInstance(interface)->refCount, 2u);

    void* baseInterface = nullptr;
    EXPECT_EQ(table->QueryInterface(interface, CFUUIDGetUUIDBytes(IUnknownUUID), &baseInterface), S_OK);
    EXPECT_EQ(baseInterface, interface);
    EXPECT_EQ(AsInstance(interface)->refCount, 3u);

    void* other = interface;
    EXPECT_EQ(table->QueryInterface(interface, CFUUIDGetUUIDBytes(kContextualMenuTypeID), &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(AsInstance(interface)->refCount, 3u);

    EXPECT_EQ(table->Release(interface), 2u);
    EXPECT_EQ(table->Release(interface), 1u);
    EXPECT_EQ(table->Release(interface), 0u);
}

TEST_F(PluginFrameTest, LastReleaseUnregistersAndGivesBackTheFactoryIdAndTheBundle)
{
    CFObj<CFBundleRef> bundle(sessiontest::CreateStashwellBundle());
    ASSERT_NE(bundle.Get(), nullptr);
    CFObj<CFUUIDRef> factory(CFUUIDCreate(kCFAllocatorDefault));
    CFIndex bundleReferences = CFGetRetainCount(bundle.Get());

    AbstractCMPluginType* instance = AllocAbstractCMPluginType(factory.Get());
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->bundle, bundle.Get());
    EXPECT_EQ(CFGetRetainCount(bundle.Get()), bundleReferences + 1);
    EXPECT_EQ(CFGetRetainCount(factory.Get()), 2);
    EXPECT_EQ(PlatformPlugInInstanceCount(factory.Get()), 1);

    EXPECT_EQ(AbstractCMPluginRelease(instance), 0u);
    EXPECT_EQ(CFGetRetainCount(bundle.Get()), bundleReferences);
    EXPECT_EQ(CFGetRetainCount(factory.Get()), 1);
    EXPECT_EQ(PlatformPlugInInstanceCount(factory.Get()), 0);
}

TEST_F(PluginFrameTest, EntryPointsRefuseAMissingInstanceOrContext)
{
    EXPECT_EQ(CMPluginExamineContext(nullptr, &mNullContext, &mCommands), paramErr);
    EXPECT_EQ(CMPluginHandleSelection(nullptr, &mNullContext, 100), paramErr);
    CMPluginPostMenuCleanup(nullptr);

    AbstractCMPluginType* instance = AllocAbstractCMPluginType(nullptr);
    ASSERT_NE(instance, nullptr);
    instance->implData.systemVersion = 0x1040;
    instance->implData.hasTextSelection = true;
    EXPECT_EQ(CMPluginExamineContext(instance, nullptr, &mCommands), errAENotAEDesc);
    // Cleared all the same, and no hold taken: the cleanup that follows does nothing.
    EXPECT_EQ(instance->implData.systemVersion, 0);
    EXPECT_FALSE(instance->implData.hasTextSelection);
    EXPECT_EQ(instance->implData.retainCount, 0);
    EXPECT_EQ(instance->implData.clipList, nullptr);
    long items = -1;
    AECountItems(&mCommands, &items);
    EXPECT_EQ(items, 0);
    CMPluginPostMenuCleanup(instance);
    EXPECT_EQ(instance->implData.retainCount, 0);
    AbstractCMPluginRelease(instance);
}

TEST_F(PluginFrameTest, ExamineContextStartsAFreshMenu)
{
    ScopedSystemVersion version(0x1039);
    AbstractCMPluginType* instance = AllocAbstractCMPluginType(nullptr);
    ASSERT_NE(instance, nullptr);
    instance->implData.keychainUnlocked = true;

    EXPECT_EQ(TableOf(instance)->ExamineContext(instance, &mNullContext, &mCommands), noErr);
    EXPECT_EQ(instance->implData.retainCount, 1);
    EXPECT_EQ(instance->implData.systemVersion, 0x1039);
    EXPECT_TRUE(UsesCFStringNames(instance));
    EXPECT_FALSE(instance->implData.keychainUnlocked);
    ASSERT_NE(instance->implData.clipList, nullptr);
    EXPECT_EQ(instance->implData.clipList->GetCount(), 0);

    // A second menu without a cleanup in between starts over: no hold is stacked, and the earlier
    // menu's unconfirmed change is dropped rather than written.
    CFObj<CFMutableDictionaryRef> record(CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                                   &kCFTypeDictionaryValueCallBacks));
    CFDictionarySetValue(record.Get(), CFSTR("NAME"), CFSTR("Greeting"));
    instance->implData.clipList->AddItem(record.Get());
    EXPECT_EQ(TableOf(instance)->ExamineContext(instance, &mNullContext, &mCommands), noErr);
    EXPECT_EQ(instance->implData.retainCount, 1);
    ASSERT_NE(instance->implData.clipList, nullptr);
    EXPECT_EQ(instance->implData.clipList->GetCount(), 0);
    EXPECT_EQ(CFGetRetainCount(record.Get()), 1);

    TableOf(instance)->PostMenuCleanup(instance);
    EXPECT_EQ(instance->implData.clipList, nullptr);
    EXPECT_EQ(access(mStorage.ConfigHome().append("/preferences/org.stashwell.cmplugin.plist").c_str(), F_OK), -1);
    AbstractCMPluginRelease(instance);
}

TEST_F(PluginFrameTest, HandleSelectionGivesItsHoldBack)
{
    AbstractCMPluginType* instance = AllocAbstractCMPluginType(nullptr);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(CMPluginExamineContext(instance, &mNullContext, &mCommands), noErr);
    for (SInt32 id : {-1, 0, 99, 100, 101, 125, 126, 127, 200, 2199, 2200, 5000}) {
        EXPECT_EQ(TableOf(instance)->HandleSelection(instance, &mNullContext, id), noErr) << id;
        EXPECT_EQ(instance->implData.retainCount, 1) << id;
        EXPECT_NE(instance->implData.clipList, nullptr) << id;
    }
    EXPECT_EQ(CMPluginHandleSelection(instance, nullptr, 101), noErr);
    CMPluginPostMenuCleanup(instance);
    EXPECT_EQ(instance->implData.clipList, nullptr);

    // After the menu has ended a selection finds no list and leaves the count at 0.
    EXPECT_EQ(CMPluginHandleSelection(instance, &mNullContext, 200), noErr);
    EXPECT_EQ(instance->implData.retainCount, 0);
    EXPECT_EQ(instance->implData.clipList, nullptr);
    AbstractCMPluginRelease(instance);
}

TEST_F(PluginFrameTest, ReleasingTheInstanceMidMenuGivesTheWorkingDataBack)
{
    AbstractCMPluginType* instance = AllocAbstractCMPluginType(nullptr);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(CMPluginExamineContext(instance, &mNullContext, &mCommands), noErr);
    ASSERT_NE(instance->implData.clipList, nullptr);
    // The live-object check of the test fails if the list's array were left behind.
    EXPECT_EQ(AbstractCMPluginRelease(instance), 0u);
}

}  // namespace
