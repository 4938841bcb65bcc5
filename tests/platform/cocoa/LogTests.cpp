// NSLog: the line's layout, formatting with %@, and the one newline at its end.
#include "CocoaTestSupport.h"

#include <unistd.h>

#include <regex>
#include <string>

namespace {

std::string Logged(void (*log)())
{
    testing::internal::CaptureStderr();
    log();
    return testing::internal::GetCapturedStderr();
}

TEST(NSLog, DateProcessAndPidBeforeTheFormattedMessageAndOneNewline)
{
    std::string line = Logged([] { NSLog(CFSTR("%@ said %d times: %@"), CFSTR("view"), 3, nullptr); });
    std::regex layout("(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}) ([^ \\[]+)\\[(\\d+)\\] (.*)\n");
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(line, parts, layout)) << line;
    EXPECT_EQ(parts[2].str(), program_invocation_short_name);
    EXPECT_EQ(parts[3].str(), std::to_string(getpid()));
    EXPECT_EQ(parts[4].str(), "view said 3 times: (null)");

    // One newline, even when the message has its own.
    line = Logged([] { NSLog(CFSTR("ends here\n")); });
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    EXPECT_NE(line.find("] ends here\n"), std::string::npos) << line;

    line = Logged([] { NSLog(nullptr); });
    EXPECT_NE(line.find("] (null)\n"), std::string::npos) << line;
}

}  // namespace
