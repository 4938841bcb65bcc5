// The terminal's password prompts, typed through a pseudo-terminal: nothing echoed, line editing,
// a new password asked twice until both agree, cancelling, and no terminal at all.
#include "user/TerminalPasswordSource.h"

#include "host/support/PtyUser.h"

#include <Security/SecBase.h>

#include <gtest/gtest.h>

#include <termios.h>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

using cmhost::TerminalPasswordSource;
using hosttest::kHangUp;
using hosttest::PtyUser;

struct Answer {
    OSStatus status;
    std::string password;
};

Answer Ask(int terminalFd, PlatformPasswordRequestKind kind, UInt32 attempt = 1)
{
    TerminalPasswordSource source(terminalFd);
    char buffer[kPlatformPasswordCapacity];
    UInt32 length = 0;
    PlatformPasswordRequest request{kind, "/home/u/.local/share/Stashwell.keychain", attempt};
    OSStatus status = source.Answer(request, buffer, sizeof buffer, &length);
    return Answer{status, std::string(buffer, status == noErr ? length : 0)};
}

void ExpectEchoBack(const PtyUser& user)
{
    EXPECT_NE(user.LocalMode() & ECHO, 0u);
    EXPECT_NE(user.LocalMode() & ICANON, 0u);
}

TEST(TerminalPassword, UnlockReadsOneLineWithoutEchoingIt)
{
    PtyUser user({"s3cr\xC3\xA9t\r"});
    Answer answer = Ask(user.TerminalFd(), kPlatformPasswordUnlock);
    EXPECT_EQ(answer.status, noErr);
    EXPECT_EQ(answer.password, "s3cr\xC3\xA9t");
    const std::string screen = user.Screen();
    EXPECT_NE(screen.find("Password to unlock the keychain \"/home/u/.local/share/Stashwell.keychain\""),
              std::string::npos)
        << screen;
    EXPECT_EQ(screen.find("s3cr"), std::string::npos) << "the password was echoed: " << screen;
    ExpectEchoBack(user);

    // A later attempt says the password was wrong.
    PtyUser again({"again\r"});
    EXPECT_EQ(Ask(again.TerminalFd(), kPlatformPasswordUnlock, 2).password, "again");
    EXPECT_NE(again.Screen().find("did not unlock"), std::string::npos);
}

TEST(TerminalPassword, BackspaceRemovesWholeCharactersAndCtrlUClearsTheLine)
{
    // Typed quickly, as one burst: nothing is echoed, so there is no screen to wait for.
    PtyUser user({"junk\x15" "ab\xC3\xA9\x7f" "c\x1b[D\r"});
    Answer answer = Ask(user.TerminalFd(), kPlatformPasswordUnlock);
    EXPECT_EQ(answer.status, noErr);
    EXPECT_EQ(answer.password, "abc");
}

TEST(TerminalPassword, EscapeCtrlCAndTheEndOfInputCancel)
{
    for (const std::string& key : {std::string("abc\x1b"), std::string("\x03"), std::string("\x04"), kHangUp}) {
        PtyUser user({key});
        EXPECT_EQ(Ask(user.TerminalFd(), kPlatformPasswordUnlock).status, userCanceledErr)
            << testing::PrintToString(key);
        if (key != kHangUp)  // hung up on while reading: there is no terminal left to give back
            ExpectEchoBack(user);
    }
}

TEST(TerminalPassword, ANewPasswordIsAskedTwiceUntilBothAgreeAndNotEmptyThreeTimesAtMost)
{
    struct Case {
        std::vector<std::string> typed;
        OSStatus status;
        std::string password;
        std::vector<std::string> said;
    };
    const Case cases[] = {
        {{"first\r", "frist\r", "same\r", "same\r"}, noErr, "same", {"New password", "again", "differ"}},
        {{"\r", "full\r", "full\r"}, noErr, "full", {"The password must not be empty."}},
        // Three rounds lost, to mismatches or empty lines, make no keychain.
        {{"a\r", "b\r", "c\r", "d\r", "e\r", "f\r", kHangUp}, userCanceledErr, "", {"no keychain is made"}},
        {{"\r", "\r", "\r", kHangUp}, userCanceledErr, "", {"must not be empty; no keychain is made"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::PrintToString(row.typed));
        PtyUser user(row.typed);
        Answer answer = Ask(user.TerminalFd(), kPlatformPasswordCreate);
        const size_t typed = user.StopTyping();
        EXPECT_EQ(answer.status, row.status);
        EXPECT_EQ(answer.password, row.password);
        const std::string screen = user.Screen();
        for (const std::string& text : row.said)
            EXPECT_NE(screen.find(text), std::string::npos) << screen;
        EXPECT_EQ(typed, row.typed.size() - (row.typed.back() == kHangUp ? 1 : 0));
        if (row.status == noErr)
            ExpectEchoBack(user);
    }
}

TEST(TerminalPassword, WithoutATerminalNobodyCanBeAsked)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    EXPECT_EQ(Ask(fds[0], kPlatformPasswordUnlock).status, errSecInteractionNotAllowed);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
