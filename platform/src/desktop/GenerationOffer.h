// What a clipboard server of ours offers, on X11 and on Wayland alike: one generation of the
// desktop's clipboard folder, its manifest read again at every request (a flavor put after the
// server started is offered too), each target's bytes answered from the flavor's file, and a
// secret offered with the hint that clipboard managers keep no copy.
#pragma once

#include "base/ScopedFd.h"
#include "scrap/GenerationView.h"

#include <Carbon/Scrap.h>

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::desktop {

// The target by which clipboard managers learn that the content is a secret they must not keep,
// and what it answers.
constexpr const char kPasswordManagerHint[] = "x-kde-passwordManagerHint";
constexpr const char kPasswordManagerHintSecret[] = "secret";
// A requestor that takes no piece of a large answer for this long has given up.
constexpr auto kAbandonedTransfer = std::chrono::seconds(30);

// An answer: bytes made for the target, or a part of a flavor's file that goes out as it is, read
// a piece at a time so that a large flavor is never held whole.
struct Reply {
    std::string bytes;
    ScopedFd file;
    off_t from = 0;
    size_t length = 0;

    bool InFile() const { return file.IsValid(); }
    size_t Size() const { return InFile() ? length : bytes.size(); }
};

class GenerationOffer {
public:
    // The view must outlive the offer.
    GenerationOffer(scrap::GenerationView& view, bool concealed) : mView(view), mConcealed(concealed) {}

    // Every target offered now, each once: the flavors' targets, then the secret's hint.
    std::vector<std::string> Targets();
    // The answer for one target offered now; nullopt when it is not offered or cannot be read. A
    // flavor larger than inFileAbove that goes out as its bytes are is answered from its file.
    std::optional<Reply> Answer(const std::string& target, size_t inFileAbove);
    // The flavors the generation held when Targets or Answer last read it.
    size_t FlavorCount() const { return mView.Count(); }

private:
    std::vector<std::pair<std::string, ScrapFlavorType>> FlavorTargets();
    std::optional<std::string> FlavorBytes(const scrap::GenerationView::Flavor& flavor, size_t limit);
    std::optional<Reply> FileReply(const scrap::GenerationView::Flavor& flavor, const std::string& target);

    scrap::GenerationView& mView;
    bool mConcealed;
};

// Hears of the changes of a generation's folder: each flavor and each manifest is renamed into
// place. Programs that take the list of targets once when the clipboard changes hands (XWayland's
// bridge, clipboard managers, a Wayland compositor itself) learn of flavors put after the server
// started only when it announces them anew.
class GenerationWatch {
public:
    explicit GenerationWatch(int generationFolder);
    // The descriptor to wait on (-1 when the folder cannot be watched).
    int Fd() const { return mFd.Get(); }
    // Takes what has been heard: whether anything changed since the last call.
    bool Changed();

private:
    ScopedFd mFd;
};

// What a server is started with: the desktop (an X11 display or a Wayland socket), the desktop
// folder's base name, and for a secret --concealed and the milliseconds after which the secret
// leaves the clipboard (0: never).
struct ServerArguments {
    std::string display;
    std::string folder;
    bool concealed = false;
    long lifetime = 0;

    // When the secret leaves the clipboard, counted from now; nullopt when never.
    std::optional<std::chrono::steady_clock::time_point> SecretDeadline() const;
};
// argv: the program, DISPLAY, FOLDER-BASE-NAME [--concealed MILLISECONDS]. false when malformed.
bool ParseServerArguments(int argc, char** argv, ServerArguments& arguments);

// Opens the folder's current generation and its view; NULL when it cannot be opened. generation
// gets a descriptor of the generation's folder of its own (for RemoveFilesOf).
std::unique_ptr<scrap::GenerationView> OpenServedGeneration(const ServerArguments& arguments, ScopedFd& generation);

// Removes every file of the generation folder (a secret's flavors and their manifest): nobody is
// served from it any more, and a clear file must not keep the secret until the generation is
// replaced.
void RemoveFilesOf(int generationFd);

// Writes the line to standard output for the one who started the server, who reads it.
int TellStarter(const std::string& line, int status);

}  // namespace platform::desktop
