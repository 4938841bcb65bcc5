#include "session/TerminalSession.h"

#include "application/PendingTimers.h"
#include "common/PlatformWarnings.h"
#include "manager/ContextualMenu.h"
#include "session/MenuScreen.h"
#include "terminal/KeyDecoder.h"
#include "terminal/RawTerminal.h"

#include <string>

namespace cmhost {
namespace {

struct TrackingResult {
    const MenuItem* picked = nullptr;
    bool inputEnded = false;
    bool optionHeld = false;
};

TrackingResult TrackMenu(const ContextualMenu& menu, const Document& document, bool optionHeld, int inFd, int outFd,
                         std::ostream& err)
{
    TrackingResult result;
    platform::Result<std::unique_ptr<RawTerminal>> taken = RawTerminal::Take(inFd, outFd, true);
    if (!taken.Ok()) {
        // No menu can be shown: the session ends as when the input ends.
        err << "cmhost: cannot show the menu: " << taken.Reason() << "\n";
        result.inputEnded = true;
        return result;
    }
    RawTerminal& terminal = *taken.Value();
    MenuNavigator navigator(menu.Items(), optionHeld);
    for (;;) {
        terminal.Write(MenuScreenFrame(document, navigator, menu.Status(), terminal.Size()));
        std::optional<std::string> bytes = terminal.ReadKeyBytes();
        if (!bytes) {
            result.inputEnded = true;
            break;
        }
        bool finished = false;
        for (size_t at = 0; at < bytes->size() && !finished;) {
            size_t used = 0;
            MenuNavigator::Outcome outcome = navigator.Press(DecodeKey(std::string_view(*bytes).substr(at), &used));
            at += used;
            if (outcome.kind == MenuNavigator::Outcome::Kind::Picked)
                result.picked = outcome.picked;
            finished = outcome.kind != MenuNavigator::Outcome::Kind::Tracking;
        }
        if (finished)
            break;
    }
    result.optionHeld = navigator.OptionHeld();
    return result;
}

// After a round: true when the user wants the menu again.
bool AskForAnotherRound(int inFd, int outFd, std::ostream& out)
{
    out << "Enter: open the menu again, q: quit " << std::flush;
    platform::Result<std::unique_ptr<RawTerminal>> taken = RawTerminal::Take(inFd, outFd, false);
    if (!taken.Ok())
        return false;
    for (;;) {
        std::optional<std::string> bytes = taken.Value()->ReadKeyBytes();
        if (!bytes)
            return false;
        if (bytes->empty())
            continue;
        size_t used = 0;
        MenuKey key = DecodeKey(*bytes, &used);
        if (key == MenuKey::Enter || *bytes == " ")
            return true;
        if (key == MenuKey::Quit || key == MenuKey::Escape)
            return false;
    }
}

}  // namespace

void RunTerminalSession(const std::vector<std::unique_ptr<PlugInInstance>>& plugIns, AEDesc& context,
                        const Document& document, bool optionHeld, int inFd, int outFd, std::ostream& out,
                        std::ostream& err)
{
    for (;;) {
        TrackingResult result;
        {
            ContextualMenu menu(plugIns, context);
            out.flush();
            result = TrackMenu(menu, document, optionHeld, inFd, outFd, err);
            optionHeld = result.optionHeld;
            if (result.picked) {
                // The terminal is back in its usual mode here, so a dialog the plug-in opens can
                // use it.
                const SInt32 command = *result.picked->command;
                out << "chose command " << command << " (" << ItemLabel(*result.picked) << ")\n" << std::flush;
                OSStatus answer = menu.Choose(command);
                out << "HandleSelection(" << command << ") answered " << answer << "\n";
            } else {
                out << "menu cancelled\n";
            }
            out.flush();
            // Leaving the scope closes the menu: PostMenuCleanup.
        }
        // As the application's event loop goes on after the menu: the paste keystroke lands in the
        // document, which the next round shows.
        RunPendingTimers();
        // Said under the round's report, where they stay in sight until the next round.
        out.flush();
        TakeAndPrintWarnings(err);
        if (result.inputEnded || !AskForAnotherRound(inFd, outFd, out)) {
            out << "\n";
            return;
        }
        out << "\n";
    }
}

}  // namespace cmhost
