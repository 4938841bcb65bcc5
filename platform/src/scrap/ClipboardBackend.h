// The clipboard behind the Scrap Manager. The Scrap Manager keeps the process's references and
// checks every caller's arguments; a backend keeps the flavors: the user's clipboard folder shared
// by every process (the default), the desktop's own clipboard, or memory of this process alone for
// tests. Each answers failures with a status and the reason recorded (ScrapError.h).
#pragma once

#include "scrap/ScrapManifest.h"

#include <Carbon/Scrap.h>

#include <cstddef>
#include <memory>

namespace platform::scrap {

// One generation of the clipboard, from one clear to the next, as this process sees it.
class ClipboardGeneration {
public:
    virtual ~ClipboardGeneration() = default;

    // Brings the flavors up to date with what other processes have put since.
    virtual OSStatus Refresh() = 0;
    // The flavors in the order they were put, as the last Refresh or Put left them.
    virtual size_t Count() const = 0;
    virtual const ManifestEntry& EntryAt(size_t index) const = 0;
    // Adds one flavor: badScrapRefErr when the generation is no longer the current one,
    // duplicateScrapFlavorErr when it holds the type.
    virtual OSStatus Put(ScrapFlavorType type, ScrapFlavorFlags flags, Size size, const void* data) = 0;
    // Makes the flavor at index ready to be sized and read: a clipboard that learns a flavor's bytes
    // only by asking the application that holds them asks now.
    virtual OSStatus Fetch(size_t index) { return noErr; }
    // Copies min(*byteCount, size) bytes of the flavor at index and sets *byteCount to the number
    // copied.
    virtual OSStatus ReadData(size_t index, Size* byteCount, void* destination) = 0;
};

class ClipboardBackend {
public:
    virtual ~ClipboardBackend() = default;

    // The current generation, the clipboard's first one started when it has none. While an object
    // answered earlier is alive and its generation still current, the same object is answered.
    virtual OSStatus Current(std::shared_ptr<ClipboardGeneration>& generation) = 0;
    // Makes a new, empty generation current for every process that shares the clipboard. A
    // concealed one is about to hold a secret: a clipboard that can tell other programs not to keep
    // copies of what it holds tells them.
    virtual OSStatus Clear(bool concealed) = 0;
    // The paste keystroke has been typed into the focused application. A desktop's clipboard, where
    // pastes of the user's processes take turns, gives the turn that its last put took to the next
    // paste once the application has fetched what was put (or after a short wait, when it does not).
    virtual void PasteTyped() {}
};

// The user's clipboard folder, shared by all of the user's processes (another base name: another
// folder of the same layout beside it).
// A secret put on it is forgotten a short time after (SecretForgetting.h) unless forgetsSecrets is
// false: the desktop's clipboard, whose server takes it off itself, keeps its flavors in one.
std::unique_ptr<ClipboardBackend> MakeFolderClipboard(const std::string& baseName = "clipboard",
                                                      bool forgetsSecrets = true);
// A clipboard in this process's memory only.
std::unique_ptr<ClipboardBackend> MakeMemoryClipboard();

// Makes the backend the Scrap Manager's from now on; references taken before name nothing
// afterwards.
void InstallClipboardBackend(std::unique_ptr<ClipboardBackend> backend);
// Tells the installed backend that the paste keystroke has been typed (PasteTyped).
void TellClipboardPasteTyped();

}  // namespace platform::scrap
