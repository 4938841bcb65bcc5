// The clipboard folder as the Scrap Manager's backend: generations are folders that every process
// of the user shares (ClipboardFolder.h), each seen through a GenerationView.
#include "scrap/ClipboardBackend.h"
#include "scrap/ClipboardFolder.h"
#include "scrap/GenerationView.h"
#include "scrap/ScrapError.h"
#include "scrap/SecretForgetting.h"

#include "base/Warnings.h"

#include <sys/stat.h>

#include <map>
#include <string>
#include <utility>

namespace platform::scrap {
namespace {

// Opens the current generation, making the clipboard's first one if it has none yet.
OSStatus OpenOrStartCurrentGeneration(int folder, ScopedFd& generation)
{
    OSStatus status = OpenCurrentGeneration(folder, generation);
    if (status != fnfErr) {
        return status;
    }
    // The first use of this clipboard, unless another process gets there first.
    ClipboardLock lock;
    status = lock.Acquire(folder, true);
    if (status != noErr) {
        return status;
    }
    status = OpenCurrentGeneration(folder, generation);
    if (status == fnfErr) {
        status = StartNewGeneration(folder);
        if (status == noErr) {
            status = OpenCurrentGeneration(folder, generation);
        }
        if (status == fnfErr) {
            status = FailScrap(internalScrapErr, "the clipboard's first generation vanished as it was made");
        }
    }
    return status;
}

class FolderClipboard final : public ClipboardBackend {
public:
    FolderClipboard(std::string baseName, bool forgetsSecrets)
        : mBaseName(std::move(baseName)), mForgetsSecrets(forgetsSecrets)
    {
    }

    // Reading needs no lock; but a generation can be replaced twice and removed between opening it
    // and reading it, and then the current one is opened again. Should that keep happening, the
    // last try holds the shared lock, under which no clear runs.
    OSStatus Current(std::shared_ptr<ClipboardGeneration>& answer) override
    {
        ScopedFd folder;
        OSStatus status = OpenClipboardFolder(folder, mBaseName);
        if (status != noErr) {
            return status;
        }
        std::erase_if(mViews, [](const auto& item) { return item.second.expired(); });
        constexpr int kLocklessTries = 4;
        for (int attempt = 0; attempt <= kLocklessTries; ++attempt) {
            ClipboardLock lock;
            if (attempt == kLocklessTries) {
                status = lock.Acquire(folder.Get(), false);
                if (status != noErr) {
                    return status;
                }
            }
            ScopedFd generation;
            status = OpenOrStartCurrentGeneration(folder.Get(), generation);
            if (status != noErr) {
                return status;
            }
            struct stat info {};
            if (::fstat(generation.Get(), &info) != 0) {
                return FailScrapWithErrno("cannot examine the clipboard's current generation", errno);
            }
            // A live view keeps its folder open, so no other folder can have taken its identity.
            auto known = mViews.find({info.st_dev, info.st_ino});
            if (known != mViews.end()) {
                if (std::shared_ptr<GenerationView> view = known->second.lock()) {
                    answer = std::move(view);
                    return noErr;
                }
            }
            ScopedFd folderForView(::dup(folder.Get()));
            if (!folderForView.IsValid()) {
                return FailScrapWithErrno("cannot keep the clipboard folder open", errno);
            }
            auto view = std::make_shared<GenerationView>(std::move(folderForView), std::move(generation));
            // A damaged manifest is not this call's failure: the reads through the reference report it.
            if (view->Refresh() == fnfErr && !view->IsLoaded()) {
                continue;  // removed before it could be read: take the current one again
            }
            ClearScrapError();
            mViews[{info.st_dev, info.st_ino}] = view;
            answer = std::move(view);
            return noErr;
        }
        return FailScrap(internalScrapErr, "the clipboard changed too often to be read");
    }

    OSStatus Clear(bool concealed) override
    {
        ScopedFd folder;
        bool onDisk = false;
        OSStatus status = OpenClipboardFolder(folder, mBaseName, &onDisk);
        if (status != noErr) {
            return status;
        }
        // A secret's flavors are files of the clipboard: never where they could reach a disk and
        // outlive the session.
        if (concealed && onDisk) {
            return FailScrap(internalScrapErr, "a secret is never put on a clipboard kept in /tmp, which may be on a "
                                               "disk: set XDG_RUNTIME_DIR to your session's private folder");
        }
        ClipboardLock lock;
        status = lock.Acquire(folder.Get(), true);
        if (status == noErr) {
            status = StartNewGeneration(folder.Get());
        }
        lock.Release();
        // A secret about to be put there leaves the clipboard a short time after, whoever pastes it.
        if (status == noErr && concealed && mForgetsSecrets) {
            if (Result<void> forgetting = ForgetSecretLater(folder.Get()); !forgetting.Ok()) {
                ReportWarning("a secret put on the clipboard will stay there until something else is copied: " +
                              forgetting.Reason());
            }
        }
        return status;
    }

private:
    std::string mBaseName;
    bool mForgetsSecrets;
    std::map<std::pair<dev_t, ino_t>, std::weak_ptr<GenerationView>> mViews;
};

}  // namespace

std::unique_ptr<ClipboardBackend> MakeFolderClipboard(const std::string& baseName, bool forgetsSecrets)
{
    return std::make_unique<FolderClipboard>(baseName, forgetsSecrets);
}

}  // namespace platform::scrap
