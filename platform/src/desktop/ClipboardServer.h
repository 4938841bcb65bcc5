// The process that holds the CLIPBOARD for this system: it offers the flavors of one generation of
// the desktop folder, read afresh at every request (a flavor put after it started is offered too),
// until another application takes the clipboard; then it exits.
#pragma once

namespace platform::desktop {

// argv: the program, the display, the desktop folder's base name, and --concealed MILLISECONDS when
// the content is a secret (it is then offered with x-kde-passwordManagerHint "secret", which tells
// clipboard managers to keep no copy, taken off the clipboard that long after the server started
// unless another program took it first (0: not), and its files in the folder are removed when the
// server ends). Writes its window's number and a
// line end to standard output once it holds the clipboard (or one line saying why it cannot), then
// serves in a process of its own. Answers the exit status.
int RunClipboardServer(int argc, char** argv);

}  // namespace platform::desktop
