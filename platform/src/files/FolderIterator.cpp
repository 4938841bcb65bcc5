// Iterating over one folder's items. The names are read when the iterator opens, so deleting the
// item just returned (or any other) cannot make the iteration skip or repeat one; each name is
// looked at again when its turn comes, and one that is gone by then is passed over.
#include "files/FileNames.h"
#include "base/ErrnoStatus.h"
#include "files/Items.h"
#include "base/ScopedDir.h"

#include <Carbon/Files.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

struct OpaqueFSIterator {
    platform::files::Item folder;
    platform::files::ScopedFd folderFd;  // names are looked up in this very folder, not by path
    std::vector<std::string> names;
    size_t next = 0;
};

using namespace platform::files;

namespace {

// The iterators that are open, so that a stale or made-up iterator is refused instead of used.
std::mutex gIteratorsMutex;
std::unordered_set<OpaqueFSIterator*> gIterators;

bool IsOpenIterator(OpaqueFSIterator* iterator)
{
    std::lock_guard lock(gIteratorsMutex);
    return gIterators.count(iterator) != 0;
}

OSErr ReadNames(int folderFd, std::vector<std::string>& names)
{
    ScopedFd readable(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!readable.IsValid()) {
        return platform::StatusForErrno(errno);
    }
    platform::ScopedDir dir(::fdopendir(readable.Get()));
    if (dir.Get() == nullptr) {
        return platform::StatusForErrno(errno);
    }
    readable.Release();  // the directory stream closes it now
    for (;;) {
        errno = 0;
        dirent* entry = ::readdir(dir.Get());
        if (entry == nullptr) {
            return platform::StatusForErrno(errno);  // 0 at the end of the folder
        }
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.emplace_back(entry->d_name);
        }
    }
}

}  // namespace

extern "C" {

OSErr FSOpenIterator(const FSRef* container, FSIteratorFlags iteratorFlags, FSIterator* iterator)
{
    if (iterator == nullptr) {
        return paramErr;
    }
    *iterator = nullptr;
    if (iteratorFlags != kFSIterateFlat && iteratorFlags != kFSIterateDelete) {
        return errFSBadIteratorFlags;
    }
    auto opened = std::make_unique<OpaqueFSIterator>();
    if (OSErr status = ResolveRef(container, opened->folder); status != noErr) {
        return status;
    }
    if (!S_ISDIR(opened->folder.info.st_mode)) {
        return errFSNotAFolder;
    }
    if (OSErr status = OpenFolder(opened->folder, opened->folderFd); status != noErr) {
        return status;
    }
    if (OSErr status = ReadNames(opened->folderFd.Get(), opened->names); status != noErr) {
        return status;
    }
    std::lock_guard lock(gIteratorsMutex);
    gIterators.insert(opened.get());
    *iterator = opened.release();
    return noErr;
}

OSErr FSGetCatalogInfoBulk(FSIterator iterator, ItemCount maximumObjects, ItemCount* actualObjects,
                           Boolean* containerChanged, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfos,
                           FSRef* refs, FSSpec* legacyRecords, HFSUniStr255* names)
{
    if (actualObjects != nullptr) {
        *actualObjects = 0;
    }
    if (containerChanged != nullptr) {
        *containerChanged = FALSE;
    }
    if (iterator == nullptr || maximumObjects == 0 || (whichInfo != kFSCatInfoNone && catalogInfos == nullptr)) {
        return paramErr;
    }
    if (!IsOpenIterator(iterator)) {
        return errFSIteratorNotFound;
    }
    ItemCount count = 0;
    while (count < maximumObjects && iterator->next < iterator->names.size()) {
        const std::string& name = iterator->names[iterator->next++];
        struct stat info {};
        OSErr status = MakeRefInFolder(iterator->folderFd.Get(), iterator->folder.path, name,
                                       refs != nullptr ? &refs[count] : nullptr, &info);
        if (status == fnfErr) {
            continue;  // deleted since the iterator opened
        }
        if (status != noErr) {
            if (count > 0) {
                --iterator->next;  // report it on the next call, after the items already found
                break;
            }
            return status;
        }
        if (catalogInfos != nullptr) {
            FillCatalogInfo(info, whichInfo, catalogInfos[count]);
        }
        if (names != nullptr) {
            UnicodeFromDiskName(name, names[count]);
        }
        ++count;
    }
    if (actualObjects != nullptr) {
        *actualObjects = count;
    }
    return count == 0 ? OSErr{errFSNoMoreItems} : OSErr{noErr};
}

OSErr FSCloseIterator(FSIterator iterator)
{
    if (iterator == nullptr) {
        return paramErr;
    }
    {
        std::lock_guard lock(gIteratorsMutex);
        if (gIterators.erase(iterator) == 0) {
            return errFSIteratorNotFound;
        }
    }
    delete iterator;
    return noErr;
}

}  // extern "C"
