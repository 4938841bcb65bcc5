// cmhost at a terminal: the menu tracked with the keys a user presses, the pick reported and handed
// to the plug-in, and the terminal given back as it was, also when cmhost is told to stop.
#include "host/support/CmhostRun.h"
#include "host/support/PseudoTerminal.h"

#include <termios.h>

namespace {

using namespace hosttest;

const std::string kUp = "\x1b[A";
const std::string kDown = "\x1b[B";
const std::string kRight = "\x1b[C";
const std::string kLeft = "\x1b[D";
const std::string kEscape = "\x1b";
const std::string kHints = "hold/release Option";

size_t Count(const std::string& text, const std::string& piece)
{
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
        ++count;
    return count;
}

void ExpectTerminalGivenBack(const TerminalResult& result)
{
    EXPECT_EQ(result.localModeAfter, result.localModeBefore) << "echo and line editing are back";
    EXPECT_NE(result.localModeAfter & ECHO, 0u);
    EXPECT_NE(result.localModeAfter & ICANON, 0u);
    // The alternate screen was left and the cursor shown again, after the last time they changed.
    EXPECT_GT(result.screen.rfind("\x1b[?1049l"), result.screen.rfind("\x1b[?1049h"));
    EXPECT_GT(result.screen.rfind("\x1b[?25h"), result.screen.rfind("\x1b[?25l"));
}

using TerminalMenu = CmhostTest;

TEST_F(TerminalMenu, ArrowKeysOpenSubmenusAndEnterPicks)
{
    TerminalResult result = RunOnTerminal(kCmhost, {"--plugins", kScriptedBundle, "--text", "Dear John,"}, kHints,
                                          {kRight, kDown, kDown, kRight, kLeft, kUp, "\r", "q"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.screen.find("| Dear John,"), std::string::npos) << "the document is shown above the menu";
    EXPECT_NE(result.screen.find("chose command 8 (Deep)"), std::string::npos) << result.screen;
    EXPECT_NE(result.screen.find("HandleSelection(8) answered 0"), std::string::npos) << result.screen;
    EXPECT_EQ(result.err,
              "scripted: ExamineContext 'utxt'\nscripted: HandleSelection 8\nscripted: PostMenuCleanup\n"
              "scripted: freed\n");
    ExpectTerminalGivenBack(result);
}

TEST_F(TerminalMenu, EscapeClosesOneLevelThenCancelsAndEnterOpensTheMenuAgain)
{
    TerminalResult result = RunOnTerminal(kCmhost, {"--plugins", kScriptedBundle, "--option"}, kHints,
                                          {kRight, kEscape, kEscape, "\r", "q", "q"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(Count(result.screen, "menu cancelled"), 2u) << result.screen;
    EXPECT_EQ(result.screen.find("chose command"), std::string::npos);
    EXPECT_NE(result.screen.find("(held)"), std::string::npos) << "--option holds Option from the start";
    const std::string round = "scripted: ExamineContext 'null'\nscripted: PostMenuCleanup\n";
    EXPECT_EQ(result.err, round + round + "scripted: freed\n");
    ExpectTerminalGivenBack(result);
}

TEST_F(TerminalMenu, TerminationWhileTheMenuIsShownGivesTheTerminalBack)
{
    TerminalResult result =
        RunOnTerminal(kCmhost, {"--plugins", kScriptedBundle}, kHints, {kRight, kDown, kSendSigterm});
    EXPECT_EQ(result.exitStatus, -1) << "the signal still ends the process";
    ExpectTerminalGivenBack(result);
}

}  // namespace
