// Deleting a file or a folder tree through the File Manager.
#include "support/CMUtilsFiles.h"

namespace {

// An open folder iterator, closed on every way out.
class StFSIterator {
public:
    StFSIterator() = default;
    ~StFSIterator()
    {
        if (mIterator != nullptr) {
            FSCloseIterator(mIterator);
        }
    }
    StFSIterator(const StFSIterator&) = delete;
    StFSIterator& operator=(const StFSIterator&) = delete;

    FSIterator* Receive() { return &mIterator; }
    FSIterator Get() const { return mIterator; }

private:
    FSIterator mIterator = nullptr;
};

// The File Manager refuses to delete a locked item: clear the flag first. Whether that worked is
// told by the deletion that follows.
void UnlockIfLocked(const FSRef* ref, FSCatalogInfo& info)
{
    if ((info.nodeFlags & kFSNodeLockedMask) != 0) {
        info.nodeFlags = static_cast<UInt16>(info.nodeFlags & ~kFSNodeLockedMask);
        FSSetCatalogInfo(ref, kFSCatInfoNodeFlags, &info);
    }
}

}  // namespace

namespace CMUtils {

OSStatus DeleteObject(const FSRef* ref)
{
    if (ref == nullptr) {
        return paramErr;
    }
    FSCatalogInfo info = {};
    OSStatus status = FSGetCatalogInfo(ref, kFSCatInfoNodeFlags, &info, nullptr, nullptr, nullptr);
    if (status != noErr) {
        return status;
    }
    if ((info.nodeFlags & kFSNodeIsDirectoryMask) != 0) {
        status = FSDeleteContainerContents(ref);
        if (status != noErr) {
            return status;
        }
    }
    UnlockIfLocked(ref, info);
    return FSDeleteObject(ref);
}

OSStatus FSDeleteContainerContents(const FSRef* container)
{
    StFSIterator iterator;
    OSStatus status = FSOpenIterator(container, kFSIterateFlat | kFSIterateDelete, iterator.Receive());
    if (status != noErr) {
        return status;
    }
    while (status == noErr) {
        ItemCount found = 0;
        FSCatalogInfo info = {};
        FSRef item;
        status = FSGetCatalogInfoBulk(iterator.Get(), 1, &found, nullptr, kFSCatInfoNodeFlags, &info, &item, nullptr,
                                      nullptr);
        if (status != noErr) {
            break;
        }
        if (found == 0) {
            // Nothing came back although no status said the folder was done: nothing more to do.
            status = errFSNoMoreItems;
            break;
        }
        if ((info.nodeFlags & kFSNodeIsDirectoryMask) != 0) {
            status = FSDeleteContainerContents(&item);
            if (status != noErr) {
                break;
            }
        }
        UnlockIfLocked(&item, info);
        status = FSDeleteObject(&item);
    }
    return status == errFSNoMoreItems ? static_cast<OSStatus>(noErr) : status;
}

}  // namespace CMUtils
