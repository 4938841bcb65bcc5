// The menu as the host runs it over plug-ins that keep a log of the calls they receive: the order
// of the entry points, where a pick goes, and which status is shown.
#include "manager/ContextualMenu.h"

#include "host/support/MenuRecordBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using cmhost::ContextualMenu;
using cmhost::PlugInInstance;
using hosttest::MenuRecordBuilder;

// A plug-in instance in the test's own process: the interface pointer points at its first member,
// as a plug-in's instance record does.
struct LoggingPlugIn {
    ContextualMenuInterfaceStruct* table;
    std::string name;
    std::vector<std::string>* log;
    std::function<void(AEDescList*)> writeMenu;
    OSStatus examineStatus = noErr;
    ULONG refCount = 1;

    static LoggingPlugIn* From(void* self) { return static_cast<LoggingPlugIn*>(self); }
    static HRESULT QueryInterface(void*, REFIID, LPVOID* out)
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    static ULONG AddRef(void* self) { return ++From(self)->refCount; }
    static ULONG Release(void* self)
    {
        LoggingPlugIn* plugIn = From(self);
        plugIn->log->push_back(plugIn->name + " Release");
        return --plugIn->refCount;
    }
    static OSStatus ExamineContext(void* self, const AEDesc* context, AEDescList* commands)
    {
        LoggingPlugIn* plugIn = From(self);
        plugIn->log->push_back(plugIn->name + " ExamineContext " + std::to_string(context->descriptorType == typeNull));
        if (plugIn->writeMenu)
            plugIn->writeMenu(commands);
        return plugIn->examineStatus;
    }
    static OSStatus HandleSelection(void* self, AEDesc*, SInt32 command)
    {
        LoggingPlugIn* plugIn = From(self);
        plugIn->log->push_back(plugIn->name + " HandleSelection " + std::to_string(command));
        return static_cast<OSStatus>(command % 1000);
    }
    static void PostMenuCleanup(void* self)
    {
        LoggingPlugIn* plugIn = From(self);
        plugIn->log->push_back(plugIn->name + " PostMenuCleanup");
    }

    ContextualMenuInterfaceStruct** Interface() { return &table; }
};

ContextualMenuInterfaceStruct gTable = {nullptr,
                                        LoggingPlugIn::QueryInterface,
                                        LoggingPlugIn::AddRef,
                                        LoggingPlugIn::Release,
                                        LoggingPlugIn::ExamineContext,
                                        LoggingPlugIn::HandleSelection,
                                        LoggingPlugIn::PostMenuCleanup};

class ContextualMenuTest : public testing::Test {
protected:
    LoggingPlugIn& AddPlugIn(const std::string& name, std::function<void(AEDescList*)> writeMenu,
                             OSStatus status = noErr)
    {
        mFakes.push_back(std::make_unique<LoggingPlugIn>(LoggingPlugIn{&gTable, name, &mLog, std::move(writeMenu), status}));
        mInstances.push_back(std::make_unique<PlugInInstance>(platform::CFOwner<CFPlugInRef>(),
                                                              mFakes.back()->Interface(), name));
        return *mFakes.back();
    }

    std::vector<std::string> mLog;
    std::vector<std::unique_ptr<LoggingPlugIn>> mFakes;
    std::vector<std::unique_ptr<PlugInInstance>> mInstances;
    cmhost::ScopedAEDesc mContext;
};

TEST_F(ContextualMenuTest, EntryPointsRunInMenuOrderAndPicksGoToTheirOwner)
{
    AddPlugIn("A", [](AEDescList* list) { MenuRecordBuilder().CFStringName("From A").Command(5).AppendTo(list); });
    AddPlugIn("B", [](AEDescList* list) {
        cmhost::ScopedAEDesc inner = hosttest::NewList();
        MenuRecordBuilder().CFStringName("Deep in B").Command(1200).AppendTo(inner.Mutable());
        MenuRecordBuilder().UnicodeName(u"B").Submenu(inner.Get()).AppendTo(list);
    });
    {
        ContextualMenu menu(mInstances, *mContext.Mutable());
        ASSERT_EQ(menu.Items().size(), 2u);
        EXPECT_EQ(menu.Items()[0].name, "From A");
        EXPECT_EQ(menu.Items()[1].submenu.at(0).name, "Deep in B");
        EXPECT_EQ(menu.Choose(1200), 200);
        // An id that no menu holds is handed over as it is, to the first plug-in.
        EXPECT_EQ(menu.Choose(42), 42);
        EXPECT_EQ(mLog, (std::vector<std::string>{"A ExamineContext 1", "B ExamineContext 1", "B HandleSelection 1200",
                                                  "A HandleSelection 42"}));
    }
    EXPECT_EQ(mLog.size(), 6u);
    EXPECT_EQ(mLog[4], "A PostMenuCleanup");
    EXPECT_EQ(mLog[5], "B PostMenuCleanup");

    mInstances.clear();
    EXPECT_EQ(mLog.size(), 8u) << "each instance is released once";
    EXPECT_EQ(mFakes[0]->refCount, 0u);
    EXPECT_EQ(mFakes[1]->refCount, 0u);
}

// Records written before a failure are still read (and their names released).
TEST_F(ContextualMenuTest, TheFirstFailingStatusIsShownWithWhatWasWritten)
{
    AddPlugIn("A", nullptr, noErr);
    AddPlugIn(
        "B", [](AEDescList* list) { MenuRecordBuilder().CFStringName("Half").Command(1).AppendTo(list); },
        errAENotAEDesc);
    AddPlugIn("C", nullptr, paramErr);
    ContextualMenu menu(mInstances, *mContext.Mutable());
    EXPECT_EQ(menu.Status(), errAENotAEDesc);
    ASSERT_EQ(menu.Items().size(), 1u);
    EXPECT_EQ(menu.Items()[0].name, "Half");
}

}  // namespace
