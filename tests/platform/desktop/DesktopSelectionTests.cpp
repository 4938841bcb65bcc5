// The text selected on the desktop, as another application (xclip) holds it in PRIMARY on the
// test's own display.
#include "desktop/DesktopSelection.h"

#include "platform/desktop/DesktopClients.h"
#include "support/XvfbDisplay.h"

#include "CFOwner.h"

#include <PlatformHost.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DesktopSelectionTests : public testing::Test {
protected:
    void SetUp() override { platform::desktop::UseDisplayForSelectedText(mDisplay.Name().c_str()); }
    void TearDown() override { platform::desktop::ForgetDisplayForSelectedText(); }

    // The selected text as UTF-8, or "(none)" when there is none.
    static std::string SelectedText()
    {
        platform::CFOwner<CFStringRef> text = platform::AdoptCF(PlatformCopyDesktopSelectedText());
        if (!text)
            return "(none)";
        const CFIndex room = CFStringGetMaximumSizeForEncoding(CFStringGetLength(text.Get()), kCFStringEncodingUTF8) + 1;
        std::string utf8(static_cast<size_t>(room), '\0');
        EXPECT_TRUE(CFStringGetCString(text.Get(), utf8.data(), room, kCFStringEncodingUTF8));
        utf8.resize(std::strlen(utf8.c_str()));
        return utf8;
    }

    std::unique_ptr<testsupport::ChildProcess> Select(const std::string& bytes, const std::string& target = "")
    {
        return desktoptest::ServeSelection(mDisplay.Name(), "primary", bytes, target);
    }

    testsupport::XvfbDisplay mDisplay;
};

TEST_F(DesktopSelectionTests, TextSelectedInAnotherApplicationIsTheSelectedText)
{
    {
        auto xclip = Select("Gr\xC3\xBC\xC3\x9F" "e, \xE6\x97\xA5\xE6\x9C\xAC \xE2\x9C\x93");
        EXPECT_EQ(SelectedText(), "Gr\xC3\xBC\xC3\x9F" "e, \xE6\x97\xA5\xE6\x9C\xAC \xE2\x9C\x93");
    }
    {
        // An owner that offers no UTF8_STRING gives Latin-1 text as STRING.
        auto xclip = Select("\xE9t\xE9", "STRING");
        EXPECT_EQ(SelectedText(), "\xC3\xA9t\xC3\xA9");
    }
    {
        // A selection larger than one request arrives in pieces.
        std::string large;
        for (int line = 0; large.size() < (3u << 20); ++line)
            large += "line " + std::to_string(line) + " \xC3\xA4\n";
        auto xclip = Select(large);
        const std::string read = SelectedText();
        EXPECT_EQ(read.size(), large.size());
        EXPECT_TRUE(read == large);
    }
}

TEST_F(DesktopSelectionTests, NothingSelectedNoTextOrNoDesktopIsNoSelectedText)
{
    EXPECT_EQ(SelectedText(), "(none)");
    {
        auto xclip = Select("\x89PNG\r\n", "image/png");
        EXPECT_EQ(SelectedText(), "(none)");
    }
    auto xclip = Select("selected");
    EXPECT_EQ(SelectedText(), "selected");
    platform::desktop::ForgetDisplayForSelectedText();
    EXPECT_EQ(SelectedText(), "(none)");
}

}  // namespace
