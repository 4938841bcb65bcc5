#include "scrap/GenerationView.h"

#include "base/AtomicFileWriter.h"
#include "carbon/FileBackedBlocks.h"
#include "base/RegularFile.h"
#include "scrap/ScrapError.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace platform::scrap {
namespace {

constexpr const char kManifestName[] = "manifest";

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool GenerationView::FileIdentity::SameAs(const struct stat& info) const
{
    return device == info.st_dev && inode == info.st_ino && size == info.st_size && SameTime(modified, info.st_mtim) &&
           SameTime(changed, info.st_ctim);
}

GenerationView::GenerationView(ScopedFd clipboardFolder, ScopedFd generationFolder)
    : mClipboardFolder(std::move(clipboardFolder)), mGenerationFolder(std::move(generationFolder))
{
    struct stat info {};
    if (::fstat(mGenerationFolder.Get(), &info) == 0) {
        mDevice = info.st_dev;
        mInode = info.st_ino;
    }
}

const GenerationView::Flavor* GenerationView::Find(ScrapFlavorType type) const
{
    for (const Flavor& flavor : mFlavors) {
        if (flavor.entry.type == type) {
            return &flavor;
        }
    }
    return nullptr;
}

OSStatus GenerationView::Refresh()
{
    auto current = [this] { return mDamage == noErr ? noErr : FailScrap(mDamage, mDamageReason); };
    if (mLoaded) {
        // Every change renames a new manifest into place, so an unchanged identity means nothing
        // was added. A missing manifest means the generation was removed after later clears: what
        // the view holds is all it will ever hold.
        // Looked at, not opened: whatever stands in the manifest's place must not block this.
        struct stat info {};
        bool present = ::fstatat(mGenerationFolder.Get(), kManifestName, &info, AT_SYMLINK_NOFOLLOW) == 0;
        bool removed = !present && errno == ENOENT;
        if (removed || (present && mManifestIdentity.SameAs(info))) {
            return current();
        }
    }
    // A writer may replace the manifest between our reading it and opening the files it names;
    // reading again then sees the newer one. A handful of tries is plenty: each retry needs a put
    // to land in that short window.
    for (int attempt = 0; attempt < 8; ++attempt) {
        OSStatus status = noErr;
        switch (Load(status)) {
        case LoadResult::Loaded:
            return noErr;
        case LoadResult::Damaged:
        case LoadResult::Failed:
            return status;
        case LoadResult::Removed:
            if (mLoaded) {
                return current();
            }
            return FailScrap(fnfErr, "the clipboard generation was removed before it could be read");
        case LoadResult::Changed:
            break;
        }
    }
    return FailScrap(internalScrapErr, "the clipboard changed too often to be read");
}

OSStatus GenerationView::MarkDamaged(std::string reason, const struct stat& manifestInfo, ScopedFd manifest)
{
    mFlavors.clear();
    mDamage = internalScrapErr;
    mDamageReason = std::move(reason);
    mManifest = std::move(manifest);
    mManifestIdentity = {manifestInfo.st_dev, manifestInfo.st_ino, manifestInfo.st_size, manifestInfo.st_mtim,
                         manifestInfo.st_ctim};
    mLoaded = true;
    return FailScrap(mDamage, mDamageReason);
}

GenerationView::LoadResult GenerationView::Load(OSStatus& status)
{
    ScopedFd manifest;
    struct stat info {};
    Result<void> opened = OpenRegularFile(mGenerationFolder.Get(), kManifestName, manifest, info);
    if (opened.Errno() != 0) {
        // A generation is made with its manifest, which is only ever replaced by a rename: no
        // manifest means the generation is being removed.
        if (opened.Errno() == ENOENT) {
            status = fnfErr;
            return LoadResult::Removed;
        }
        status = FailScrapWithErrno("cannot open the clipboard's manifest", opened.Errno());
        return LoadResult::Failed;
    }
    if (!opened.Ok()) {
        // Something else in the manifest's place (a FIFO, a device, a link) is never opened for
        // reading; the view holds it by the folder's name only.
        ::fstatat(mGenerationFolder.Get(), kManifestName, &info, AT_SYMLINK_NOFOLLOW);
        status = MarkDamaged("the clipboard's manifest is not a file", info, ScopedFd());
        return LoadResult::Damaged;
    }
    std::string bytes;
    Result<void> read = ReadOpenFile(manifest.Get(), kManifestName, kMaxManifestBytes, [&](std::span<const char> chunk) {
        bytes.append(chunk.data(), chunk.size());
        return true;
    });
    if (read.Status() == fsDataTooBigErr) {
        status = MarkDamaged("the clipboard's manifest is longer than " + std::to_string(kMaxManifestBytes) + " bytes",
                             info, std::move(manifest));
        return LoadResult::Damaged;
    }
    if (!read.Ok()) {
        status = FailScrapWithErrno("cannot read the clipboard's manifest", read.Errno());
        return LoadResult::Failed;
    }

    Result<std::vector<ManifestEntry>> parsed =
        ReadManifest(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (!parsed.Ok()) {
        status = MarkDamaged(parsed.Reason(), info, std::move(manifest));
        return LoadResult::Damaged;
    }
    const std::vector<ManifestEntry>& entries = parsed.Value();
    std::vector<Flavor> flavors;
    flavors.reserve(entries.size());
    for (const ManifestEntry& entry : entries) {
        std::string name = FlavorFileName(entry.type);
        ScopedFd file;
        struct stat fileInfo {};
        Result<void> flavorOpened = OpenRegularFile(mGenerationFolder.Get(), name, file, fileInfo);
        if (flavorOpened.Errno() != 0) {
            if (flavorOpened.Errno() != ENOENT && flavorOpened.Errno() != ELOOP) {
                status = FailScrapWithErrno("cannot open " + FlavorLabel(entry.type) + " on the clipboard",
                                            flavorOpened.Errno());
                return LoadResult::Failed;
            }
            // Removing a generation takes its manifest away first, and a file the manifest names is
            // never removed otherwise: so either the generation is going, or the manifest just
            // read was replaced, or it names a file that was never there.
            struct stat now {};
            if (::fstatat(mGenerationFolder.Get(), kManifestName, &now, AT_SYMLINK_NOFOLLOW) != 0) {
                status = fnfErr;
                return LoadResult::Removed;
            }
            if (now.st_dev != info.st_dev || now.st_ino != info.st_ino) {
                return LoadResult::Changed;
            }
            status = MarkDamaged("the clipboard's manifest names " + FlavorLabel(entry.type) + ", which has no file",
                                 info, std::move(manifest));
            return LoadResult::Damaged;
        }
        if (!flavorOpened.Ok()) {
            status = MarkDamaged("the file of " + FlavorLabel(entry.type) + " on the clipboard is not a regular file",
                                 info, std::move(manifest));
            return LoadResult::Damaged;
        }
        // Flavor files are whole before any manifest names them and never change afterwards, so a
        // size that disagrees is damage, not a write in progress.
        if (fileInfo.st_size != static_cast<off_t>(entry.size)) {
            status = MarkDamaged("the clipboard's manifest gives " + FlavorLabel(entry.type) + " " +
                                     std::to_string(entry.size) + " bytes, its file holds " +
                                     std::to_string(fileInfo.st_size),
                                 info, std::move(manifest));
            return LoadResult::Damaged;
        }
        flavors.push_back(Flavor{entry, std::move(file)});
    }
    mFlavors = std::move(flavors);
    mDamage = noErr;
    mDamageReason.clear();
    mManifest = std::move(manifest);
    mManifestIdentity = {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    mLoaded = true;
    status = noErr;
    return LoadResult::Loaded;
}

OSStatus GenerationView::Put(ScrapFlavorType type, ScrapFlavorFlags flags, Size size, const void* data)
{
    // What can be refused at once is refused before any byte is written: a reference to a cleared
    // clipboard, and a type it holds already (a flavor never leaves a generation).
    if (!IsCurrentGeneration(mClipboardFolder.Get(), mGenerationFolder.Get())) {
        return FailScrap(badScrapRefErr, "the clipboard was cleared after this reference to it was taken");
    }
    if (mLoaded && Find(type) != nullptr) {
        return FailScrap(duplicateScrapFlavorErr, "the clipboard already holds " + FlavorLabel(type));
    }
    // The flavor's bytes go to a temporary file of their own before the lock is taken, so that a
    // large flavor keeps no other process waiting: only naming it and extending the manifest need
    // the lock. The temporary file goes with the writer when the put fails. A flavor whose block
    // still holds a file's bytes (a clip package's flavor file) is copied from that file in the
    // kernel; any other is written from the caller's bytes.
    const size_t length = static_cast<size_t>(size);
    AtomicFileWriter writer(mGenerationFolder.Get(), FlavorFileName(type));
    writer.SetDurability(Durability::SessionOnly);
    ScopedFd source = FileBehindBlock(data, length);
    Result<void> written = source.IsValid() ? writer.PrepareCopy(source.Get(), length) : writer.Prepare(data, length);
    if (!written.Ok()) {
        // Two clears since the check above remove the generation while its flavor is written.
        if (!IsCurrentGeneration(mClipboardFolder.Get(), mGenerationFolder.Get())) {
            return FailScrap(badScrapRefErr, "the clipboard was cleared after this reference to it was taken");
        }
        return FailScrapWithErrno("cannot write " + FlavorLabel(type) + " to the clipboard", written.Errno());
    }
    ClipboardLock lock;
    OSStatus status = lock.Acquire(mClipboardFolder.Get(), true);
    if (status != noErr) {
        return status;
    }
    if (!IsCurrentGeneration(mClipboardFolder.Get(), mGenerationFolder.Get())) {
        return FailScrap(badScrapRefErr, "the clipboard was cleared after this reference to it was taken");
    }
    // Under the exclusive lock nothing else changes the generation, and it is current, so the
    // manifest read now is the one to extend.
    if (Load(status) != LoadResult::Loaded) {
        // A damaged generation is not written to; clearing the clipboard mends it.
        return status != noErr ? status : FailScrap(internalScrapErr, "the current clipboard generation vanished");
    }
    if (Find(type) != nullptr) {
        return FailScrap(duplicateScrapFlavorErr, "the clipboard already holds " + FlavorLabel(type));
    }
    if (mFlavors.size() >= kMaxManifestFlavors) {
        return FailScrap(internalScrapErr,
                         "the clipboard already holds " + std::to_string(kMaxManifestFlavors) + " flavors, the most it can");
    }
    if (written = writer.Commit(); !written.Ok()) {
        return FailScrapWithErrno("cannot write " + FlavorLabel(type) + " to the clipboard", written.Errno());
    }
    std::vector<ManifestEntry> entries;
    entries.reserve(mFlavors.size() + 1);
    for (const Flavor& flavor : mFlavors) {
        entries.push_back(flavor.entry);
    }
    entries.push_back(ManifestEntry{type, flags, size});
    std::string manifest = WriteManifest(entries);
    // A failure here leaves the flavor's file without a manifest that names it: no reader ever
    // sees it, a later put of the type replaces it, and the generation's removal takes it away.
    if (Result<void> manifestWritten = WriteFileAtomically(mGenerationFolder.Get(), kManifestName, manifest.data(),
                                                           manifest.size(), nullptr, Durability::SessionOnly);
        !manifestWritten.Ok()) {
        return FailScrapWithErrno("cannot write the clipboard's manifest", manifestWritten.Errno());
    }
    Load(status);
    return status;
}

OSStatus GenerationView::ReadData(const Flavor& flavor, Size* byteCount, void* destination) const
{
    // Positioned reads: a forked child shares the descriptor's offset with its parent.
    size_t want = static_cast<size_t>(std::min(*byteCount, flavor.entry.size));
    // A flavor file never changes once a manifest names it, so a whole one read into a whole large
    // block can simply become the block's pages (FileBackedBlocks.h).
    if (static_cast<Size>(want) == flavor.entry.size && MapFileIntoBlock(destination, want, flavor.file.Get())) {
        *byteCount = static_cast<Size>(want);
        return noErr;
    }
    ssize_t done = ReadAt(flavor.file.Get(), destination, want, 0);
    if (done < 0) {
        *byteCount = 0;
        return FailScrapWithErrno("cannot read " + FlavorLabel(flavor.entry.type) + " from the clipboard", errno);
    }
    if (static_cast<size_t>(done) < want) {
        *byteCount = static_cast<Size>(done);
        return FailScrap(internalScrapErr,
                         "the file of " + FlavorLabel(flavor.entry.type) + " on the clipboard is shorter than it was");
    }
    *byteCount = static_cast<Size>(done);
    return noErr;
}

}  // namespace platform::scrap
