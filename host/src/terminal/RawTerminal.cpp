#include "terminal/RawTerminal.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace cmhost {
namespace {

// What a signal handler needs to put the terminal back; set while a RawTerminal exists.
struct SavedTerminal {
    termios mode;
    int inFd;
    int outFd;
    const char* leave;
    size_t leaveLength;
};
SavedTerminal gSaved;
volatile sig_atomic_t gActive = 0;
volatile sig_atomic_t gResized = 0;

const char kLeaveAlternate[] = "\x1b[0m\x1b[?25h\x1b[?1049l";
const char kLeavePlain[] = "\x1b[0m\x1b[?25h";

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction gPreviousActions[sizeof kEndingSignals / sizeof kEndingSignals[0]];
struct sigaction gPreviousResize;

void WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void RestoreTerminal()
{
    WriteAll(gSaved.outFd, gSaved.leave, gSaved.leaveLength);
    tcsetattr(gSaved.inFd, TCSAFLUSH, &gSaved.mode);
}

// Only async-signal-safe calls: write, tcsetattr, sigaction, raise.
void OnEndingSignal(int signal)
{
    if (gActive) {
        gActive = 0;
        RestoreTerminal();
    }
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void OnResize(int)
{
    gResized = 1;
}

}  // namespace

platform::Result<std::unique_ptr<RawTerminal>> RawTerminal::Take(int inFd, int outFd, bool alternateScreen)
{
    if (gActive)
        return platform::Failure(paramErr, EBUSY, "the terminal is already in raw mode");
    termios mode;
    if (tcgetattr(inFd, &mode) != 0)
        return platform::ErrnoFailure("the input is not a terminal", errno);
    return std::unique_ptr<RawTerminal>(new RawTerminal(inFd, outFd, mode, alternateScreen));
}

RawTerminal::RawTerminal(int inFd, int outFd, const termios& mode, bool alternateScreen) : mInFd(inFd), mOutFd(outFd)
{
    gSaved.mode = mode;
    gSaved.inFd = inFd;
    gSaved.outFd = outFd;
    gSaved.leave = alternateScreen ? kLeaveAlternate : kLeavePlain;
    gSaved.leaveLength = (alternateScreen ? sizeof kLeaveAlternate : sizeof kLeavePlain) - 1;

    struct sigaction action = {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i)
        sigaction(kEndingSignals[i], &action, &gPreviousActions[i]);
    // No SA_RESTART: a resize interrupts the wait for a key, so the screen is drawn anew.
    struct sigaction resize = {};
    resize.sa_handler = OnResize;
    sigemptyset(&resize.sa_mask);
    sigaction(SIGWINCH, &resize, &gPreviousResize);

    // Output processing stays on, so "\n" still starts a new line at the left edge.
    termios raw = mode;
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON | BRKINT | INPCK | ISTRIP);
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    gActive = 1;
    tcsetattr(inFd, TCSAFLUSH, &raw);
    Write(alternateScreen ? "\x1b[?1049h\x1b[?25l\x1b[H\x1b[2J" : "\x1b[?25l");
}

RawTerminal::~RawTerminal()
{
    if (gActive) {
        gActive = 0;
        RestoreTerminal();
    }
    for (size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i)
        sigaction(kEndingSignals[i], &gPreviousActions[i], nullptr);
    sigaction(SIGWINCH, &gPreviousResize, nullptr);
}

std::optional<std::string> RawTerminal::ReadKeyBytes()
{
    char buffer[64];
    for (;;) {
        if (gResized) {
            gResized = 0;
            return std::string();
        }
        ssize_t count = read(mInFd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return std::nullopt;
        std::string bytes(buffer, static_cast<size_t>(count));
        // A lone ESC may be the start of a sequence whose rest is still on its way.
        if (bytes == "\x1b") {
            pollfd more = {mInFd, POLLIN, 0};
            if (poll(&more, 1, 50) > 0) {
                count = read(mInFd, buffer, sizeof buffer);
                if (count > 0)
                    bytes.append(buffer, static_cast<size_t>(count));
            }
        }
        return bytes;
    }
}

bool RawTerminal::WaitForInput(int milliseconds)
{
    if (gResized)
        return true;
    pollfd input = {mInFd, POLLIN, 0};
    int ready = poll(&input, 1, milliseconds);
    return gResized || (ready > 0 && input.revents != 0);
}

void RawTerminal::Write(const std::string& text)
{
    WriteAll(mOutFd, text.data(), text.size());
}

ScreenSize RawTerminal::Size() const
{
    ScreenSize size;
    winsize window = {};
    if (ioctl(mOutFd, TIOCGWINSZ, &window) == 0 && window.ws_col > 0 && window.ws_row > 0) {
        size.columns = window.ws_col;
        size.rows = window.ws_row;
    }
    return size;
}

}  // namespace cmhost
