// Numbers as length-prefixed text, and the debugger message on standard error.
#include <Carbon/Carbon.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string TextOf(const Str255 text)
{
    return std::string(reinterpret_cast<const char*>(text + 1), text[0]);
}

TEST(NumToString, DecimalWithSignAtBothEndsOfTheRange)
{
    Str255 text;
    NumToString(0, text);
    EXPECT_EQ(TextOf(text), "0");
    NumToString(-2147483647 - 1, text);
    EXPECT_EQ(TextOf(text), "-2147483648");
    NumToString(2147483647, text);
    EXPECT_EQ(TextOf(text), "2147483647");
    NumToString(-7, text);
    EXPECT_EQ(TextOf(text), "-7");
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
