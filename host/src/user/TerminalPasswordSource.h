// The password source of a user at the terminal: the prompt is written to the terminal and the
// password typed without echo. A new keychain's password is asked for twice, and again when the
// two differ or it is empty; Esc, Ctrl-C or Ctrl-D on an empty line cancels.
#pragma once

#include "user/PasswordSource.h"
#include "user/SecretBytes.h"

#include <string>

namespace cmhost {

class TerminalPasswordSource : public PasswordAnswerer {
public:
    // terminalFd: the user's terminal (/dev/tty), read and written; borrowed.
    explicit TerminalPasswordSource(int terminalFd) : mTerminalFd(terminalFd) {}

    OSStatus Answer(const PlatformPasswordRequest& request, char* buffer, UInt32 capacity, UInt32* length) override;

private:
    // NoTerminal: not a terminal after all, or the terminal is taken by a form.
    enum class LineEnd { Entered, Cancelled, NoTerminal };
    // Writes prompt and reads one line without echo into secret, at most capacity bytes.
    LineEnd ReadSecretLine(const std::string& prompt, SecretBytes& secret, UInt32 capacity);
    void Say(const std::string& text);

    int mTerminalFd;
};

}  // namespace cmhost
