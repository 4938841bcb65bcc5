// The interface-file reader on bytes: codes written either way, and the damaged files it must
// refuse with a reason.
#include "hitoolbox/InterfaceFile.h"

#include "platform/hitoolbox/HIToolboxTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace hitoolboxtest;
using platform::ui::InterfaceFile;
using platform::ui::ReadInterfaceFile;

TEST(InterfaceFileTest, CodesMayBeNumbersAndTextsAnyLanguage)
{
    std::string window = "<key>Fenêtre</key><dict><key>width</key><integer>10</integer><key>height</key>"
                         "<integer>10</integer><key>title</key><string>Nouveau fragment ✂</string>"
                         "<key>controls</key><array><dict><key>kind</key><string>pushButton</string>"
                         "<key>signature</key><integer>1400333415</integer><key>id</key><integer>-7</integer>"
                         "<key>command</key><integer>0</integer>" +
                         Frame(0, 0, 1, 1) + "</dict></array></dict>";
    platform::Result<InterfaceFile> file = ReadInterfaceFile(hitoolboxtest::InterfaceFile(window));
    ASSERT_TRUE(file.Ok()) << file.Reason();
    const auto& read = file->windows.at(u"Fen\u00eatre");
    EXPECT_EQ(read.title, u"Nouveau fragment \u2702");
    EXPECT_EQ(read.controls.at(0).signature, static_cast<std::uint32_t>('Swdg'));
    EXPECT_EQ(read.controls.at(0).id, -7);
}

struct DamagedCase {
    const char* what;
    std::string bytes;
    const char* reason;  // part of the error message
};

std::string OneControl(const std::string& control)
{
    return hitoolboxtest::InterfaceFile("<key>W</key><dict><key>width</key><integer>10</integer><key>height</key>"
                                        "<integer>10</integer><key>controls</key><array><dict>" +
                                        control + "</dict></array></dict>");
}

TEST(InterfaceFileTest, DamagedFilesAreRefusedWithTheirReason)
{
    const std::string button = "<key>kind</key><string>pushButton</string>" + Frame(0, 0, 1, 1);
    const DamagedCase cases[] = {
        {"not XML", "windows = {}", ""},
        {"empty", "", ""},
        {"root is an array", "<plist version=\"1.0\"><array/></plist>", "not a dictionary"},
        {"no windows", "<plist version=\"1.0\"><dict/></plist>", "windows"},
        {"window not a dictionary", hitoolboxtest::InterfaceFile("<key>W</key><string>x</string>"), "not a dictionary"},
        {"no size", hitoolboxtest::InterfaceFile("<key>W</key><dict/>"), "no width or height"},
        {"zero width", hitoolboxtest::InterfaceFile("<key>W</key><dict><key>width</key><integer>0</integer>"
                                                   "<key>height</key><integer>5</integer></dict>"),
         "out of range"},
        {"controls not an array", hitoolboxtest::InterfaceFile("<key>W</key><dict><key>width</key><integer>9</integer>"
                                                              "<key>height</key><integer>5</integer><key>controls</key>"
                                                              "<dict/></dict>"),
         "not an array"},
        {"unknown kind", OneControl("<key>kind</key><string>slider</string>" + Frame(0, 0, 1, 1)), "unknown control kind"},
        {"no kind", OneControl(Frame(0, 0, 1, 1)), "no kind"},
        {"no frame", OneControl("<key>kind</key><string>checkBox</string>"), "no frame"},
        {"frame of three", OneControl("<key>kind</key><string>checkBox</string><key>frame</key><array><integer>1"
                                      "</integer><integer>1</integer><integer>1</integer></array>"),
         "four numbers"},
        {"negative height", OneControl("<key>kind</key><string>checkBox</string>" + Frame(0, 0, 4, -1)), "out of range"},
        {"huge coordinate", OneControl("<key>kind</key><string>checkBox</string>" + Frame(0, 2000000000, 4, 1)),
         "out of range"},
        {"five-letter signature", OneControl(button + "<key>signature</key><string>Swdgx</string>"), "four characters"},
        {"control character in code", OneControl(button + "<key>command</key><string>ok\t </string>"), "printable"},
        {"code above 32 bits", OneControl(button + "<key>command</key><integer>4294967296</integer>"), "out of range"},
        {"id above 32 bits", OneControl(button + "<key>id</key><integer>2147483648</integer>"), "out of range"},
        {"id as text", OneControl(button + "<key>id</key><string>3</string>"), "not an integer"},
        {"default check box", OneControl("<key>kind</key><string>checkBox</string><key>default</key><true/>" +
                                         Frame(0, 0, 1, 1)),
         "default button"},
        {"two default buttons",
         hitoolboxtest::InterfaceFile("<key>W</key><dict><key>width</key><integer>10</integer><key>height</key>"
                                      "<integer>10</integer><key>controls</key><array><dict>" +
                                      button + "<key>default</key><true/></dict><dict>" + button +
                                      "<key>default</key><true/></dict></array></dict>"),
         "more than one default"},
        {"title not text", OneControl(button + "<key>title</key><integer>1</integer>"), "not a string"},
        {"too large", std::string(platform::ui::kMaxInterfaceFileBytes + 1, ' '), "too large"},
    };
    for (const DamagedCase& damaged : cases) {
        platform::Result<InterfaceFile> file = ReadInterfaceFile(damaged.bytes);
        EXPECT_FALSE(file.Ok()) << damaged.what;
        EXPECT_NE(file.Reason().find(damaged.reason), std::string::npos) << damaged.what << ": " << file.Reason();
    }
}

}  // namespace
