// What one process knows of one clipboard generation: the folder, the manifest it read last, and
// an open descriptor of every flavor file that manifest names. Holding the descriptors is what lets
// a reader finish reading a generation that a later clear removes: the names go, the files stay
// until the view lets go of them.
#pragma once

#include "scrap/ClipboardBackend.h"
#include "scrap/ClipboardFolder.h"
#include "scrap/ScrapManifest.h"

#include <Carbon/Scrap.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace platform::scrap {

class GenerationView : public ClipboardGeneration {
public:
    struct Flavor {
        ManifestEntry entry;
        ScopedFd file;
    };

    // Takes the clipboard folder and one generation folder opened from it.
    GenerationView(ScopedFd clipboardFolder, ScopedFd generationFolder);
    GenerationView(const GenerationView&) = delete;
    GenerationView& operator=(const GenerationView&) = delete;

    // The identity of the generation folder (device and inode). The view keeps the folder open, so
    // no other folder can take that identity while the view lives.
    dev_t Device() const { return mDevice; }
    ino_t Inode() const { return mInode; }

    // Brings the view up to date with the generation's manifest, without any lock: every file is
    // renamed into place whole, and a flavor's file before the manifest that names it, so the
    // manifest read and the files it names always go together. A damaged manifest, or a flavor
    // file missing or of another size than the manifest says, leaves the view empty and answers
    // internalScrapErr with the reason, now and at every later call until the manifest changes. A
    // generation removed (after later clears) since it was last read keeps the view it had; one
    // removed before the view ever read it answers fnfErr, and the view stays unread.
    OSStatus Refresh() override;
    bool IsLoaded() const { return mLoaded; }

    // The flavors in the clipboard's order, as the last Refresh left them.
    const std::vector<Flavor>& Flavors() const { return mFlavors; }
    const Flavor* Find(ScrapFlavorType type) const;
    size_t Count() const override { return mFlavors.size(); }
    const ManifestEntry& EntryAt(size_t index) const override { return mFlavors[index].entry; }

    // Adds one flavor under the clipboard's exclusive lock: badScrapRefErr when the generation is no
    // longer current, duplicateScrapFlavorErr when it holds the type. The flavor's file is written
    // whole (straight from data) before the lock is taken, and renamed into place under it before
    // the manifest that names it is, so the lock is held for as long as naming takes, whatever the
    // size.
    OSStatus Put(ScrapFlavorType type, ScrapFlavorFlags flags, Size size, const void* data) override;

    // Copies min(*byteCount, size) bytes of one flavor straight into destination and sets
    // *byteCount to the number copied.
    OSStatus ReadData(const Flavor& flavor, Size* byteCount, void* destination) const;
    OSStatus ReadData(size_t index, Size* byteCount, void* destination) override
    {
        return ReadData(mFlavors[index], byteCount, destination);
    }

private:
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool SameAs(const struct stat& info) const;
    };

    enum class LoadResult { Loaded, Damaged, Removed, Changed, Failed };
    LoadResult Load(OSStatus& status);
    OSStatus MarkDamaged(std::string reason, const struct stat& manifestInfo, ScopedFd manifest);

    ScopedFd mClipboardFolder;
    ScopedFd mGenerationFolder;
    dev_t mDevice = 0;
    ino_t mInode = 0;

    bool mLoaded = false;
    // Kept open so that the manifest's inode cannot be reused by another file while the view
    // compares identities with it.
    ScopedFd mManifest;
    FileIdentity mManifestIdentity;
    std::vector<Flavor> mFlavors;
    OSStatus mDamage = noErr;
    std::string mDamageReason;
};

}  // namespace platform::scrap
