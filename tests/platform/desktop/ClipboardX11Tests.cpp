// The desktop's CLIPBOARD as the Scrap Manager's clipboard, judged by xclip: what another program
// offers is read flavor by flavor, and what we put stays offered, every target byte for byte,
// after the process that put it has ended.
#include "DesktopClients.h"

#include "SecretHandout.h"
#include "Warnings.h"
#include "carbon/FileBackedBlocks.h"
#include "desktop/DesktopClipboard.h"
#include "desktop/DesktopConnection.h"
#include "desktop/MimeFlavors.h"
#include "desktop/SelectionTransfer.h"
#include "scrap/ClipboardBackend.h"

#include "platform/scrap/ScrapTestSupport.h"
#include "support/KillLoop.h"
#include "support/XvfbDisplay.h"

#include <Carbon/Carbon.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <thread>

namespace {

using namespace scraptest;
using desktoptest::RunClient;
using desktoptest::ServeSelection;

// The property the clipboard's owner names in its answer to a request for TARGETS dated at that
// server time: XCB_ATOM_NONE when it refuses.
xcb_atom_t AnswerToARequestDated(const std::string& display, xcb_timestamp_t time)
{
    auto opened = platform::desktop::DesktopConnection::Open(display.c_str());
    if (!opened.Ok()) {
        ADD_FAILURE() << opened.Reason();
        return XCB_ATOM_NONE;
    }
    auto connection = std::move(opened.Value());
    xcb_connection_t* c = connection->Get();
    const xcb_window_t window = connection->MakeHiddenWindow(0);
    xcb_convert_selection(c, window, connection->Atom("CLIPBOARD"), connection->Atom("TARGETS"),
                          connection->Atom("STASHWELL_TEST_ANSWER"), time);
    xcb_flush(c);
    const auto deadline = std::chrono::steady_clock::now() + desktoptest::kClientPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        platform::desktop::XcbOwned<xcb_generic_event_t> event(xcb_poll_for_event(c));
        if (event && (event->response_type & 0x7F) == XCB_SELECTION_NOTIFY)
            return reinterpret_cast<xcb_selection_notify_event_t*>(event.get())->property;
        if (!event)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "the owner never answered";
    return XCB_ATOM_NONE;
}

class DesktopClipboardTest : public ClipboardTest {
protected:
    void SetUp() override { UseDesktop(); }
    void TearDown() override { PlatformUseClipboard(kPlatformClipboardFolder); }

    void UseDesktop()
    {
        auto backend = platform::desktop::MakeDesktopClipboard(mDisplay.Name().c_str());
        ASSERT_TRUE(backend.Ok()) << backend.Reason();
        platform::scrap::InstallClipboardBackend(std::move(backend.Value()));
    }

    std::string Xclip(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> command = {"xclip", "-o", "-selection", "clipboard"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return RunClient(mDisplay.Name(), command);
    }

    testsupport::XvfbDisplay mDisplay;
};

// One target offered by another program becomes one flavor; TARGETS and TIMESTAMP are no content.
TEST_F(DesktopClipboardTest, AnotherProgramsTargetBecomesAFlavor)
{
    const std::string png = "\x89PNG\r\n\x1a\n" + Binary(3000);
    struct Case {
        const char* target;
        std::string offered;
        ScrapFlavorType type;
        std::string flavor;
    } cases[] = {
        {"text/html", "<p>caf\xC3\xA9</p>", 'HTML', "<p>caf\xC3\xA9</p>"},
        {"image/png", png, 'PNGf', png},
        {"UTF8_STRING", "h\xC3\xA9llo \xE2\x82\xAC", 'utxt', UTF16(u"h\u00E9llo \u20AC")},
        {"STRING", "caf\xE9", 'TEXT', "caf\x8E"},  // Latin-1 in, Mac OS Roman out
        {"application/x-custom", std::string("a\0b", 3), platform::desktop::ForeignFlavorType("application/x-custom"),
         std::string("application/x-custom\0a\0b", 24)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        auto xclip = ServeSelection(mDisplay.Name(), "clipboard", c.offered, c.target);
        ScrapRef scrap = CurrentScrap();
        std::vector<ScrapFlavorInfo> info = FlavorList(scrap);
        ASSERT_EQ(info.size(), 1u) << LastClipboardError();
        EXPECT_EQ(info[0].flavorType, c.type);
        EXPECT_EQ(ReadFlavor(scrap, c.type), c.flavor) << LastClipboardError();
    }
    // An owner that refuses undated requests, as the conventions let it, still gives its content.
    auto strict = desktoptest::StartHostileOwner(mDisplay.Name(), "CLIPBOARD", "strict", 1);
    const ScrapFlavorType hostile = platform::desktop::ForeignFlavorType("application/x-hostile-0");
    EXPECT_EQ(ReadFlavor(CurrentScrap(), hostile), platform::desktop::ForeignFlavorBytes("application/x-hostile-0", "x"))
        << LastClipboardError();
}

// An owner that lists its targets and never gives one holds a reader for one limit in all, not a
// wait per target; the user hears of it once, and the flavors not given are left out.
TEST_F(DesktopClipboardTest, AnOwnerGivingNothingHoldsAWholeReadForOneLimitAndIsToldOnce)
{
    platform::TakeWarnings();
    auto owner = desktoptest::StartHostileOwner(mDisplay.Name(), "CLIPBOARD", "listing", 12);
    platform::desktop::SetWholeReadPatienceForTesting(std::chrono::milliseconds(1500));
    ScrapRef scrap = CurrentScrap();
    std::vector<ScrapFlavorInfo> info = FlavorList(scrap);
    ASSERT_EQ(info.size(), 12u) << LastClipboardError();
    int failed = 0;
    for (const ScrapFlavorInfo& flavor : info) {
        Size size = 0;
        failed += GetScrapFlavorSize(scrap, flavor.flavorType, &size) != noErr ? 1 : 0;
    }
    platform::desktop::SetWholeReadPatienceForTesting(std::chrono::seconds(30));
    EXPECT_EQ(failed, 12);
    std::vector<std::string> warnings = platform::TakeWarnings();
    ASSERT_EQ(warnings.size(), 1u) << testing::PrintToString(warnings);
    EXPECT_NE(warnings[0].find("took too long in all"), std::string::npos) << warnings[0];
}

// A large flavor of another program is held once: read whole into a block, the block is the pages
// of the copy the clipboard keeps, which a clip package is then written from in the kernel. A
// smaller read still copies its part.
TEST_F(DesktopClipboardTest, ALargeFlavorOfAnotherProgramIsHeldOnce)
{
    const std::string content = Binary(24u << 20);
    const ScrapFlavorType type = platform::desktop::ForeignFlavorType("application/x-custom");
    const std::string flavor = std::string("application/x-custom") + '\0' + content;
    auto xclip = ServeSelection(mDisplay.Name(), "clipboard", content, "application/x-custom");
    ScrapRef scrap = CurrentScrap();
    Size size = 0;
    ASSERT_EQ(GetScrapFlavorSize(scrap, type, &size), noErr) << LastClipboardError();
    ASSERT_EQ(size, static_cast<Size>(flavor.size()));
    Ptr block = NewPtr(size);
    ASSERT_NE(block, nullptr);
    Size read = size;
    ASSERT_EQ(GetScrapFlavorData(scrap, type, &read, block), noErr) << LastClipboardError();
    EXPECT_EQ(read, size);
    EXPECT_TRUE(std::string_view(block, static_cast<size_t>(read)) == flavor);
    EXPECT_TRUE(platform::FileBehindBlock(block, static_cast<size_t>(size)).IsValid());
    DisposePtr(block);

    char part[32] = {};
    Size partSize = sizeof part;
    ASSERT_EQ(GetScrapFlavorData(scrap, type, &partSize, part), noErr);
    EXPECT_EQ(std::string_view(part, sizeof part), std::string_view(flavor).substr(0, sizeof part));
}

// Put by a process that then ends, every flavor is still offered, under every target it stands for.
// Flavors of several mebibytes go out in pieces read from their files, a foreign one without the
// name that leads it.
TEST_F(DesktopClipboardTest, WhatWePutOutlivesUsUnderEveryTarget)
{
    const std::string png = Binary((3u << 20) + 7);
    const std::string custom = std::string("x\0y", 3) + Binary((5u << 19) + 3);
    const std::string foreign = platform::desktop::ForeignFlavorBytes("application/x-custom", custom);
    // The writer uses a clipboard of its own: the one installed here shares this process's
    // connection, which the child must leave alone.
    testsupport::ChildEnd writer = testsupport::RunChildAndKill(
        [&] {
            auto made = platform::desktop::MakeDesktopClipboard(mDisplay.Name().c_str());
            if (!made.Ok()) {
                return 1;
            }
            auto clipboard = std::move(made.Value());
            std::shared_ptr<platform::scrap::ClipboardGeneration> generation;
            if (clipboard->Clear(false) != noErr || clipboard->Current(generation) != noErr) {
                return 1;
            }
            const std::pair<ScrapFlavorType, std::string> flavors[] = {
                {'utxt', UTF16(u"\uFEFFna\u00EFve \u20AC")},
                {'TEXT', "na\x95ve"},
                {'HTML', "<b>bold</b>"},
                {'PNGf', png},
                {platform::desktop::ForeignFlavorType("application/x-custom"), foreign},
                {'PICT', std::string("\0\1", 2)},
            };
            for (const auto& [type, bytes] : flavors) {
                if (generation->Put(type, 0, static_cast<Size>(bytes.size()), bytes.data()) != noErr) {
                    return 2;
                }
            }
            return 0;
        },
        -1);
    ASSERT_EQ(writer.exitStatus, 0) << LastClipboardError();

    std::set<std::string> targets;
    std::istringstream lines(Xclip({"-t", "TARGETS"}));
    for (std::string line; std::getline(lines, line);) {
        targets.insert(line);
    }
    EXPECT_EQ(targets, (std::set<std::string>{"TARGETS", "TIMESTAMP", "MULTIPLE", "UTF8_STRING",
                                              "text/plain;charset=utf-8", "STRING", "text/plain", "text/html",
                                              "image/png", "application/x-custom",
                                              "application/x-stashwell-flavor-50494354"}));
    EXPECT_EQ(Xclip({"-t", "UTF8_STRING"}), "na\xC3\xAFve \xE2\x82\xAC");
    EXPECT_EQ(Xclip({"-t", "text/plain;charset=utf-8"}), "na\xC3\xAFve \xE2\x82\xAC");
    EXPECT_EQ(Xclip({"-t", "STRING"}), "na\xEFve");
    EXPECT_EQ(Xclip({"-t", "text/plain"}), "na\xC3\xAFve");
    EXPECT_EQ(Xclip({"-t", "text/html"}), "<b>bold</b>");
    EXPECT_TRUE(Xclip({"-t", "image/png"}) == png);
    EXPECT_TRUE(Xclip({"-t", "application/x-custom"}) == custom);
    EXPECT_EQ(Xclip({"-t", "application/x-stashwell-flavor-50494354"}), std::string("\0\1", 2));
    // A request dated before we took the clipboard asked for someone else's content.
    EXPECT_NE(AnswerToARequestDated(mDisplay.Name(), XCB_CURRENT_TIME), static_cast<xcb_atom_t>(XCB_ATOM_NONE));
    EXPECT_EQ(AnswerToARequestDated(mDisplay.Name(), 1), static_cast<xcb_atom_t>(XCB_ATOM_NONE));

    // Read back here, every flavor is what was put (text as its target gives it).
    ScrapRef scrap = CurrentScrap();
    EXPECT_EQ(ReadFlavor(scrap, 'HTML'), "<b>bold</b>");
    EXPECT_TRUE(ReadFlavor(scrap, 'PNGf') == png);
    EXPECT_TRUE(ReadFlavor(scrap, platform::desktop::ForeignFlavorType("application/x-custom")) == foreign);
    EXPECT_EQ(ReadFlavor(scrap, 'PICT'), std::string("\0\1", 2));
    EXPECT_EQ(ReadFlavor(scrap, 'utxt'), UTF16(u"na\u00EFve \u20AC"));

    // Another program taking the clipboard ends our hold on it.
    auto xclip = ServeSelection(mDisplay.Name(), "clipboard", "theirs", "UTF8_STRING");
    EXPECT_EQ(ReadFlavor(CurrentScrap(), 'utxt'), UTF16(u"theirs"));
}

// Content larger than one request goes in pieces, both ways.
TEST_F(DesktopClipboardTest, ThirtyTwoMebibytesOfTextGoInPiecesBothWays)
{
    std::string text(32u << 20, 'a');
    for (size_t i = 0; i < text.size(); i += 4093) {
        text[i] = static_cast<char>('A' + (i / 4093) % 26);
    }
    {
        auto xclip = ServeSelection(mDisplay.Name(), "clipboard", text, "text/plain");
        EXPECT_EQ(ReadFlavor(CurrentScrap(), 'TEXT'), text) << LastClipboardError();
    }
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    ASSERT_EQ(PutString(CurrentScrap(), 'TEXT', text), noErr);
    EXPECT_TRUE(Xclip({"-t", "text/plain"}) == text);
}

// An answer past the most a reader takes is refused with the reason, whether it comes in pieces or
// whole, and one of just that size is taken.
TEST_F(DesktopClipboardTest, AnAnswerPastTheMostAReaderTakesIsRefused)
{
    const std::string text = Binary(32u << 20);
    auto opened = platform::desktop::DesktopConnection::Open(mDisplay.Name().c_str());
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    auto reader = std::move(opened.Value());
    const xcb_window_t window = reader->MakeHiddenWindow(XCB_EVENT_MASK_PROPERTY_CHANGE);
    struct Case {
        std::string offered;
        size_t most;
    };
    for (const Case& each : {Case{text, size_t{1} << 20}, Case{text, text.size() - 1}, Case{text, text.size()},
                             Case{"theirs", 5}}) {
        SCOPED_TRACE(std::to_string(each.offered.size()) + " bytes offered, " + std::to_string(each.most) + " taken");
        // A reader that gave up half-way leaves the owner waiting: each case has an owner of its own.
        auto owner = ServeSelection(mDisplay.Name(), "clipboard", each.offered, "application/octet-stream");
        platform::Result<std::string> answer =
            platform::desktop::ConvertSelection(*reader, window, reader->Atom("CLIPBOARD"),
                                                reader->Atom("application/octet-stream"), nullptr, each.most);
        const std::string& why = answer.Reason();
        if (each.most >= each.offered.size()) {
            EXPECT_TRUE(answer.Ok() && answer.Value() == each.offered) << why;
        } else {
            EXPECT_FALSE(answer.Ok());
            EXPECT_NE(why.find("larger than " + std::to_string(each.most) + " bytes"), std::string::npos) << why;
        }
    }
}

// A program taking a large answer in pieces gets all of it, even when another program takes the
// clipboard half-way: it asked while the clipboard was ours, and waits for the rest.
TEST_F(DesktopClipboardTest, AnAnswerInPiecesIsFinishedAfterTheClipboardIsTaken)
{
    std::string text(8u << 20, 'a');
    for (size_t i = 0; i < text.size(); i += 4093) {
        text[i] = static_cast<char>('A' + (i / 4093) % 26);
    }
    ASSERT_EQ(ClearCurrentScrap(), noErr);
    ASSERT_EQ(PutString(CurrentScrap(), 'TEXT', text), noErr);

    using platform::desktop::XcbOwned;
    auto opened = platform::desktop::DesktopConnection::Open(mDisplay.Name().c_str());
    ASSERT_TRUE(opened.Ok()) << opened.Reason();
    auto reader = std::move(opened.Value());
    xcb_connection_t* c = reader->Get();
    const xcb_window_t window = reader->MakeHiddenWindow(XCB_EVENT_MASK_PROPERTY_CHANGE);
    const xcb_atom_t property = reader->Atom("STASHWELL_TEST_PIECES");
    xcb_convert_selection(c, window, reader->Atom("CLIPBOARD"), reader->Atom("text/plain"), property,
                          XCB_CURRENT_TIME);
    xcb_flush(c);
    // The next event of that type, or NULL after a minute of silence.
    auto next = [&](uint8_t type) {
        for (;;) {
            XcbOwned<xcb_generic_event_t> event = platform::desktop::WaitForEvent(*reader, 60000);
            if (!event || (event->response_type & 0x7F) == type)
                return event;
        }
    };
    // Takes the property's value and deletes it, which asks for the next piece.
    auto take = [&] {
        XcbOwned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4), nullptr));
        std::string value;
        if (reply) {
            value.assign(static_cast<const char*>(xcb_get_property_value(reply.get())),
                         static_cast<size_t>(xcb_get_property_value_length(reply.get())));
        }
        xcb_flush(c);
        return std::make_pair(reply ? reply->type : static_cast<xcb_atom_t>(XCB_ATOM_NONE), value);
    };
    ASSERT_TRUE(next(XCB_SELECTION_NOTIFY));
    ASSERT_EQ(take().first, reader->Atom("INCR")) << "8 MiB is answered in pieces";

    std::string received;
    std::unique_ptr<testsupport::ChildProcess> other;
    for (int pieces = 0;; ++pieces) {
        XcbOwned<xcb_generic_event_t> event;
        do {
            event = next(XCB_PROPERTY_NOTIFY);
        } while (event && reinterpret_cast<xcb_property_notify_event_t*>(event.get())->state != XCB_PROPERTY_NEW_VALUE);
        ASSERT_TRUE(event) << "no piece came after " << received.size() << " bytes";
        if (pieces == 1)
            other = ServeSelection(mDisplay.Name(), "clipboard", "theirs");
        auto [type, piece] = take();
        if (piece.empty())
            break;
        received += piece;
    }
    EXPECT_TRUE(received == text) << received.size() << " bytes";
    EXPECT_EQ(Xclip({}), "theirs");
}

// A secret the keychain has just handed out goes on the clipboard with the hint that clipboard
// managers keep no copy of it; the clipboard filled after it carries no such hint.
TEST_F(DesktopClipboardTest, ASecretIsOfferedAsOneThatManagersMustNotKeep)
{
    for (bool secret : {true, false}) {
        SCOPED_TRACE(secret ? "a secret" : "after it");
        if (secret) {
            platform::NoteSecretHandedOut();
        }
        ASSERT_EQ(ClearCurrentScrap(), noErr);
        ASSERT_EQ(PutString(CurrentScrap(), 'utxt', UTF16(u"pw")), noErr);
        const std::string targets = Xclip({"-t", "TARGETS"});
        EXPECT_EQ(targets.find("x-kde-passwordManagerHint") != std::string::npos, secret) << targets;
        if (secret) {
            EXPECT_EQ(Xclip({"-t", "x-kde-passwordManagerHint"}), "secret");
        }
        EXPECT_EQ(Xclip({"-t", "UTF8_STRING"}), "pw");
    }
}

}  // namespace
