// A Wayland compositor's clipboard and primary selection, judged by wl-copy and wl-paste: what we
// put is served byte for byte after our clipboard object is gone, what wl-copy puts is read by us,
// a secret is hinted and taken off, and an owner that never answers holds nobody up. And GNOME's
// way: the X11 clipboard under XWayland, bridged by the compositor.
#include "LockFile.h"
#include "ScopedFd.h"
#include "SecretHandout.h"
#include "desktop/DesktopClipboard.h"
#include "desktop/MimeFlavors.h"
#include "scrap/ClipboardBackend.h"
#include "wayland/DataControl.h"
#include "wayland/WaylandClipboard.h"
#include "wayland/WaylandSelection.h"

#include "platform/scrap/ScrapTestSupport.h"
#include "support/CFText.h"
#include "support/ChildProcess.h"
#include "support/HeadlessSway.h"
#include "support/ScopedVariable.h"

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using namespace scraptest;
using testsupport::HeadlessSway;

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class WaylandClipboardTest : public ClipboardTest {
protected:
    explicit WaylandClipboardTest(HeadlessSway::Options options = {}) : mSway(options) {}
    void SetUp() override
    {
        auto backend = platform::wayland::MakeWaylandClipboard(mSway.Socket().c_str());
        ASSERT_TRUE(backend.Ok()) << backend.Reason();
        platform::scrap::InstallClipboardBackend(std::move(backend.Value()));
    }
    void TearDown() override { PlatformUseClipboard(kPlatformClipboardFolder); }

    // Runs wl-copy or wl-paste to its end on the compositor; what it printed, and its status.
    testsupport::ProcessResult Wl(const std::vector<std::string>& command, const std::string& input = "")
    {
        testsupport::ChildProcess client(command, {{"WAYLAND_DISPLAY", mSway.Socket()}, {"XDG_RUNTIME_DIR", mRuntime.path()}},
                                         input);
        testsupport::ProcessResult result;
        result.exitStatus = client.Wait();
        result.out = client.Out();
        result.err = client.Err();
        return result;
    }
    std::string Paste(const std::string& type)
    {
        testsupport::ProcessResult result = Wl({"wl-paste", "--no-newline", "--type", type});
        EXPECT_EQ(result.exitStatus, 0) << type << ": " << result.err;
        return result.out;
    }
    std::set<std::string> Types()
    {
        std::set<std::string> types;
        std::istringstream lines(Wl({"wl-paste", "--list-types"}).out);
        for (std::string line; std::getline(lines, line);) {
            types.insert(line);
        }
        return types;
    }

    // The compositor's desktop folder, beside the user's clipboard folder.
    std::filesystem::path DesktopFolder() const
    {
        for (const auto& folder : std::filesystem::directory_iterator(mStorage.RuntimeDir())) {
            if (folder.path().filename().string().starts_with("clipboard-wayland-"))
                return folder.path();
        }
        return {};
    }
    // Names the desktop folder's files that begin so.
    std::set<std::string> FilesStartingWith(const std::string& prefix) const
    {
        std::set<std::string> names;
        for (const auto& file : std::filesystem::directory_iterator(DesktopFolder())) {
            if (file.path().filename().string().starts_with(prefix))
                names.insert(file.path().filename().string());
        }
        return names;
    }

    testsupport::ScopedTempDir mRuntime;
    HeadlessSway mSway;
};

TEST_F(WaylandClipboardTest, WhatWePutIsServedByteForByteAfterOurClipboardIsGone)
{
    const std::string png = Binary(32u << 20);
    const std::string custom = std::string("x\0y", 3) + Binary(70001);
    const ScrapFlavorType customType = platform::desktop::ForeignFlavorType("application/x-custom");
    ASSERT_EQ(ClearCurrentScrap(), noErr) << LastClipboardError();
    ScrapRef scrap = CurrentScrap();
    ASSERT_EQ(PutString(scrap, 'utxt', UTF16(u"na\u00EFve \u20AC")), noErr);
    ASSERT_EQ(PutString(scrap, 'HTML', "<b>bold</b>"), noErr);
    const auto putStart = std::chrono::steady_clock::now();
    ASSERT_EQ(PutString(scrap, 'PNGf', png), noErr);
    std::printf("[ figures  ] 32 MiB put on the Wayland clipboard: %.2f s\n", SecondsSince(putStart));
    ASSERT_EQ(PutString(scrap, customType, platform::desktop::ForeignFlavorBytes("application/x-custom", custom)), noErr);
    // Read back here, the flavors are the desktop folder's.
    EXPECT_EQ(ReadFlavor(scrap, 'HTML'), "<b>bold</b>");
    PlatformUseClipboard(kPlatformClipboardFolder);

    std::set<std::string> types = Types();
    EXPECT_EQ(types.count("text/html") + types.count("image/png") + types.count("application/x-custom") +
                  types.count("text/plain;charset=utf-8"),
              4u);
    EXPECT_EQ(types.count("x-kde-passwordManagerHint"), 0u);
    EXPECT_EQ(Paste("text/plain;charset=utf-8"), "na\xC3\xAFve \xE2\x82\xAC");
    EXPECT_EQ(Paste("text/html"), "<b>bold</b>");
    const auto pasteStart = std::chrono::steady_clock::now();
    EXPECT_TRUE(Paste("image/png") == png);
    std::printf("[ figures  ] 32 MiB pasted by wl-paste from our server: %.2f s\n", SecondsSince(pasteStart));
    EXPECT_TRUE(Paste("application/x-custom") == custom);
}

TEST_F(WaylandClipboardTest, WhatWlCopyPutsIsReadByUs)
{
    const std::string png = Binary((32u << 20) + 5);
    ASSERT_EQ(Wl({"wl-copy", "--type", "image/png"}, png).exitStatus, 0);
    ScrapRef scrap = CurrentScrap();
    std::vector<ScrapFlavorInfo> flavors = FlavorList(scrap);
    ASSERT_EQ(flavors.size(), 1u);
    EXPECT_EQ(flavors[0].flavorType, static_cast<ScrapFlavorType>('PNGf'));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ReadFlavor(scrap, 'PNGf') == png) << LastClipboardError();
    std::printf("[ figures  ] 32 MiB read from wl-copy: %.2f s\n", SecondsSince(start));

    ASSERT_EQ(Wl({"wl-copy", "na\xC3\xAFve"}).exitStatus, 0);
    scrap = CurrentScrap();
    EXPECT_EQ(ReadFlavor(scrap, 'utxt'), UTF16(u"na\u00EFve"));
    EXPECT_EQ(PutString(scrap, 'TEXT', "x"), badScrapRefErr) << "another program holds it";
}

// A put holds the user's turn to paste until the application it pasted into fetched it.
TEST_F(WaylandClipboardTest, ThePasteTurnGoesOnceThePasteWasFetched)
{
    auto turnIsFree = [this] {
        platform::ScopedFd folder(::open(DesktopFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        platform::LockFile turn;
        return turn.Lock(folder.Get(), "paste-turn", platform::LockFile::Mode::Exclusive, platform::LockFile::Wait::Try)
            .Ok();
    };
    ASSERT_EQ(ClearCurrentScrap(), noErr) << LastClipboardError();
    ASSERT_EQ(PutString(CurrentScrap(), 'HTML', "<b>t</b>"), noErr);
    EXPECT_FALSE(turnIsFree());
    EXPECT_EQ(FilesStartingWith("fetched-").size(), 0u);
    EXPECT_EQ(Paste("text/html"), "<b>t</b>");
    EXPECT_EQ(FilesStartingWith("fetched-").size(), 1u) << "the server marks the fetch";
    platform::scrap::TellClipboardPasteTyped();
    EXPECT_TRUE(turnIsFree());
    EXPECT_EQ(FilesStartingWith("fetched-").size(), 0u);
}

TEST_F(WaylandClipboardTest, ASecretIsHintedAndTakenOffAfterItsTime)
{
    testsupport::ScopedVariable lifetime("STASHWELL_CLEAR_SECRETS_AFTER", "1");
    platform::NoteSecretHandedOut();
    ASSERT_EQ(ClearCurrentScrap(), noErr) << LastClipboardError();
    ASSERT_EQ(PutString(CurrentScrap(), 'utxt', UTF16(u"pw")), noErr);
    EXPECT_EQ(Types().count("x-kde-passwordManagerHint"), 1u);
    EXPECT_EQ(Paste("x-kde-passwordManagerHint"), "secret");
    // Taken off: the compositor's clipboard is empty, and the secret's files are gone.
    for (int i = 0; i < 600 && Wl({"wl-paste", "--list-types"}).exitStatus == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_NE(Wl({"wl-paste", "--list-types"}).exitStatus, 0) << "the secret is still offered";
    EXPECT_EQ(FlavorList(CurrentScrap()).size(), 0u);
    size_t kept = 0;
    for (const auto& file : std::filesystem::directory_iterator(DesktopFolder() / "current")) {
        kept += file.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(kept, 0u) << "the secret's files are kept";
}

TEST_F(WaylandClipboardTest, ThePrimarySelectionIsTheSelectedTextWhenItIsText)
{
    EXPECT_EQ(platform::wayland::CopyWaylandSelectedText(mSway.Socket().c_str()), nullptr) << "nothing selected";
    ASSERT_EQ(Wl({"wl-copy", "--primary", "h\xC3\xA9llo"}).exitStatus, 0);
    ASSERT_EQ(Wl({"wl-copy", "clipboard"}).exitStatus, 0);
    EXPECT_EQ(testsupport::TakeText(platform::wayland::CopyWaylandSelectedText(mSway.Socket().c_str())),
              "h\xC3\xA9llo");
    ASSERT_EQ(Wl({"wl-copy", "--primary", "--type", "image/png"}, "\x89PNG").exitStatus, 0);
    EXPECT_EQ(platform::wayland::CopyWaylandSelectedText(mSway.Socket().c_str()), nullptr) << "not text";
}

// Our own client offers text on both selections and never answers: its pipes stay open.
TEST_F(WaylandClipboardTest, AnOwnerThatNeverAnswersHoldsNobodyUp)
{
    using platform::wayland::DataControl;
    auto opened = platform::wayland::WaylandConnection::Open(mSway.Socket().c_str());
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    auto connection = std::move(opened.Value());
    auto controlled = DataControl::Open(*connection);
    ASSERT_TRUE(controlled.Ok()) << controlled.Reason();
    auto control = std::move(controlled.Value());
    static const platform::wayland::SourceEvents kSilent = {[](void*, wl_proxy*, const char*, int32_t) {},
                                                            [](void*, wl_proxy*) {}};
    std::vector<wl_proxy*> sources;
    for (bool primary : {false, true}) {
        wl_proxy* source = sources.emplace_back(control->CreateSource(&kSilent, nullptr));
        control->OfferType(source, "text/plain;charset=utf-8");
        primary ? control->SetPrimarySelection(source) : control->SetSelection(source);
    }
    ASSERT_TRUE(connection->Roundtrip());

    platform::desktop::SetWholeReadPatienceForTesting(std::chrono::milliseconds(500));
    ScrapRef scrap = CurrentScrap();
    ASSERT_EQ(FlavorList(scrap).size(), 1u);
    Size size = 0;
    EXPECT_EQ(GetScrapFlavorSize(scrap, 'utxt', &size), internalScrapErr);
    EXPECT_NE(LastClipboardError().find("too long"), std::string::npos) << LastClipboardError();
    platform::desktop::SetWholeReadPatienceForTesting(std::chrono::seconds(30));
    EXPECT_EQ(platform::wayland::CopyWaylandSelectedText(mSway.Socket().c_str()), nullptr);
    for (wl_proxy* source : sources)
        control->DestroySource(source);
}

// GNOME offers no data-control: there the X11 clipboard under XWayland is the clipboard, and the
// compositor bridges it with Wayland's.
class XWaylandBridgeTest : public WaylandClipboardTest {
protected:
    XWaylandBridgeTest() : WaylandClipboardTest(HeadlessSway::Options{.xwayland = true, .config = {}}) {}
    void SetUp() override
    {
        auto backend = platform::desktop::MakeDesktopClipboard(mSway.XDisplay().c_str());
        ASSERT_TRUE(backend.Ok()) << backend.Reason();
        platform::scrap::InstallClipboardBackend(std::move(backend.Value()));
    }
};

// sway gives XWayland the seat, and with it the bridge, once an X11 window has had the focus: a
// window is opened first, as a user's X11 application would be.
TEST_F(XWaylandBridgeTest, OurX11ClipboardAndWlCopyReachEachOther)
{
    testsupport::ChildProcess window({"zenity", "--info", "--text", "x11"},
                                     {{"DISPLAY", mSway.XDisplay()}, {"NO_AT_BRIDGE", "1"}, {"GDK_BACKEND", "x11"}});
    ASSERT_EQ(Wl({"wl-copy", "--type", "text/html"}, "<i>wayland</i>").exitStatus, 0);
    // The compositor bridges the selections in its own time, once XWayland has the seat.
    std::string read;
    for (int i = 0; i < 400 && read != "<i>wayland</i>"; ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        read = ReadFlavor(CurrentScrap(), 'HTML');
    }
    EXPECT_EQ(read, "<i>wayland</i>");

    ASSERT_EQ(ClearCurrentScrap(), noErr) << LastClipboardError();
    ASSERT_EQ(PutString(CurrentScrap(), 'HTML', "<i>x11</i>"), noErr);
    testsupport::ProcessResult pasted;
    for (int i = 0; i < 400 && pasted.out != "<i>x11</i>"; ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pasted = Wl({"wl-paste", "--no-newline", "--type", "text/html"});
    }
    EXPECT_EQ(pasted.out, "<i>x11</i>") << pasted.err;
}

}  // namespace
