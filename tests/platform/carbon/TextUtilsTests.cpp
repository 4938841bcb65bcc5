// Numbers as length-prefixed text, and the debugger message on standard error.
#include <Carbon/Carbon.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string TextOf(const Str255 text)
{
    return std::string(reinterpret_cast<const char*>(text + 1), text[0]);
}

TEST(NumToString, DecimalWithSignAtBothEndsOfTheRange)
{
    const std::pair<SInt32, const char*> cases[] = {
        {0, "0"}, {-7, "-7"}, {-2147483647 - 1, "-2147483648"}, {2147483647, "2147483647"}};
    for (const auto& [number, expected] : cases) {
        Str255 text;
        NumToString(number, text);
        EXPECT_EQ(TextOf(text), expected) << number;
    }
}

TEST(DebugStr, WritesTheMessageAndANewline)
{
    const unsigned char message[] = "\x05hello and more";
    testing::internal::CaptureStderr();
    DebugStr(message);
    DebugStr(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "hello\n\n");
}

}  // namespace
