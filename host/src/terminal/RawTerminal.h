// The terminal in the mode a menu needs: keys arrive one by one, unechoed, Ctrl-C as a key, the
// cursor hidden, drawing on the alternate screen. The owner puts everything back when it goes away,
// and a signal that ends the process (SIGINT, SIGTERM, SIGHUP, SIGQUIT) puts it back first too, so
// the user's shell never inherits a raw terminal.
#pragma once

#include "Result.h"
#include "terminal/ScreenSize.h"

#include <termios.h>

#include <memory>
#include <optional>
#include <string>

namespace cmhost {

class RawTerminal {
public:
    // Puts the terminal at inFd in raw mode; fails when inFd is not a terminal or another
    // RawTerminal holds it already (only one may exist at a time).
    static platform::Result<std::unique_ptr<RawTerminal>> Take(int inFd, int outFd, bool alternateScreen);
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    // Waits for a key press and returns its bytes (a whole escape sequence when one was sent).
    // nullopt when the input has ended; an empty string when the terminal was resized meanwhile.
    std::optional<std::string> ReadKeyBytes();

    // True when a key press is waiting, or arrives within milliseconds (also when the input has
    // ended or the terminal was resized, which ReadKeyBytes then reports).
    bool WaitForInput(int milliseconds);

    void Write(const std::string& text);
    ScreenSize Size() const;

private:
    RawTerminal(int inFd, int outFd, const termios& mode, bool alternateScreen);

    int mInFd;
    int mOutFd;
};

}  // namespace cmhost
