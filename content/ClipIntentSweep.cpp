// The sweep of abandoned intents.
#include "content/ClipIntentSweep.h"

#include "content/ClipIntentFile.h"
#include "content/ClipsFolder.h"

// The platform's file base, from its public include folder.
#include "AtomicFileWriter.h"
#include "LockFile.h"
#include "RegularFile.h"
#include "ScopedDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The intent files and work folders in the clips folder.
std::vector<std::string> IntentEntries(const char* folder)
{
    std::vector<std::string> names;
    const platform::ScopedDir stream(::opendir(folder));
    if (stream.Get() != nullptr) {
        while (dirent* entry = ::readdir(stream.Get())) {
            if (IsClipIntentEntry(entry->d_name)) {
                names.emplace_back(entry->d_name);
            }
        }
    }
    return names;
}

// An intent whose writer died, held locked while it is handled.
struct DeadIntent {
    std::string name;
    platform::LockFile lock;
    ClipIntentText text;
};

// Finishes or undoes one dead intent; false when it must wait for a later sweep.
bool Settle(const std::string& folder, const DeadIntent& intent, const std::vector<std::string>& liveNotes,
            const ClipIntentJudge& judge)
{
    const std::string& target = intent.text.target;
    const bool usableTarget = !target.empty() && target.find('/') == std::string::npos && target != "." &&
                              target != ".." && !IsReservedClipsFolderName(target.c_str());
    const std::string work = folder + "/" + intent.name + kClipIntentWorkSuffix;
    const std::string targetPath = folder + "/" + target;
    if (intent.text.kind == kAddClipIntent) {
        // The rename happened only when the work folder is gone: then the package under the
        // target name is the dead writer's, and it stays only if its record was saved.
        if (!Exists(work) && usableTarget && Exists(targetPath) && !judge.isPackageRecorded(target)) {
            RemoveClipsFolderItem(targetPath);
        }
    } else if (intent.text.kind == kDeleteClipIntent) {
        // A package taken for deletion whose record is still stored goes back.
        if (Exists(work) && usableTarget && !Exists(targetPath) && judge.isPackageRecorded(target)) {
            platform::RenameNoReplace(AT_FDCWD, work, AT_FDCWD, targetPath);
        }
    } else if (intent.text.kind == kAddSecureNoteIntent) {
        std::string note;
        if (NoteNameOfHex(target, note) && !note.empty() && !judge.isNoteRecorded(note) &&
            std::find(liveNotes.begin(), liveNotes.end(), note) == liveNotes.end()) {
            try {
                return judge.deleteNote(note);
            } catch (...) {
                return false;  // tried again by a later sweep
            }
        }
    }
    return true;
}

}  // namespace

bool AnyClipIntentPresent()
{
    char folder[PATH_MAX];
    if (!GetClipsFolderPath(folder, sizeof folder, true)) {
        return false;
    }
    const platform::ScopedDir stream(::opendir(folder));
    if (stream.Get() == nullptr) {
        return false;
    }
    while (dirent* entry = ::readdir(stream.Get())) {
        if (IsClipIntentEntry(entry->d_name)) {
            return true;
        }
    }
    return false;
}

int SweepAbandonedIntents(const ClipIntentJudge& judge)
{
    char folderPath[PATH_MAX];
    if (!GetClipsFolderPath(folderPath, sizeof folderPath)) {
        return 0;
    }
    const std::string folder(folderPath);

    // Dead intents, each held locked while it is handled; the notes live writers are storing.
    std::vector<DeadIntent> dead;
    std::vector<std::string> liveNotes;
    int handled = 0;
    for (const std::string& name : IntentEntries(folderPath)) {
        const std::string path = folder + "/" + name;
        if (IsClipIntentWorkFolder(name)) {
            // Intents are made under the lock before their work folder, and removed after it: a
            // work folder whose intent is gone was left by a writer or sweeper that died between.
            if (!Exists(path.substr(0, path.size() - (sizeof kClipIntentWorkSuffix - 1)))) {
                RemoveClipsFolderItem(path);
                ++handled;
            }
            continue;
        }
        platform::ScopedFd fd;
        struct stat info {};
        if (!platform::OpenRegularFile(AT_FDCWD, path, fd, info).Ok()) {
            continue;
        }
        DeadIntent intent{name, {}, ReadClipIntent(fd.Get())};
        if (!intent.lock.Lock(std::move(fd), platform::LockFile::Mode::Exclusive, platform::LockFile::Wait::Try).Ok()) {
            // A live writer's.
            std::string note;
            if (intent.text.kind == kAddSecureNoteIntent && NoteNameOfHex(intent.text.target, note)) {
                liveNotes.push_back(note);
            }
            continue;
        }
        dead.push_back(std::move(intent));
    }

    for (DeadIntent& intent : dead) {
        if (Settle(folder, intent, liveNotes, judge)) {
            RemoveClipsFolderItem(folder + "/" + intent.name + kClipIntentWorkSuffix);
            ::unlink((folder + "/" + intent.name).c_str());
            ++handled;
        }
        intent.lock.Unlock();
    }
    if (handled > 0) {
        FlushClipsFolderItem(folder, true);
    }
    return handled;
}
