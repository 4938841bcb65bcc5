// FSRef values as indexes into a table of paths with identities.
#include "files/RefTable.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <random>
#include <unordered_map>
#include <vector>

namespace platform::files {
namespace {

constexpr UInt32 kRefMagic = 0x46535266;  // 'FSRf'

// The layout inside FSRef::hidden; the rest of the bytes stay zero.
struct RefBytes {
    UInt32 magic;
    UInt32 check;
    UInt64 index;
};
static_assert(sizeof(RefBytes) <= sizeof(FSRef::hidden));

class RefTable {
public:
    RefTable() : mSalt(static_cast<UInt32>(std::random_device{}())) {}

    UInt64 Record(const std::string& path, const struct stat& info)
    {
        const mode_t kind = info.st_mode & S_IFMT;
        std::lock_guard lock(mMutex);
        // The same item met again keeps its index, so that looking the same names up over and
        // over does not grow the table.
        auto found = mLatestByPath.find(path);
        if (found != mLatestByPath.end()) {
            const RefEntry& entry = mEntries[found->second - 1];
            if (!entry.deleted && entry.device == info.st_dev && entry.inode == info.st_ino && entry.kind == kind) {
                return found->second;
            }
        }
        UInt64 index = mEntries.size() + 1;
        mEntries.push_back(RefEntry{path, info.st_dev, info.st_ino, kind, index, false});
        mLatestByPath[path] = index;
        return index;
    }

    bool Find(UInt64 index, RefEntry& entry)
    {
        std::lock_guard lock(mMutex);
        if (index == 0 || index > mEntries.size()) {
            return false;
        }
        entry = mEntries[index - 1];
        return true;
    }

    void MarkDeleted(UInt64 index)
    {
        std::lock_guard lock(mMutex);
        if (index != 0 && index <= mEntries.size()) {
            mEntries[index - 1].deleted = true;
        }
    }

    UInt32 CheckFor(UInt64 index) const
    {
        UInt64 mixed = (index ^ mSalt) * 0x9E3779B97F4A7C15ULL;
        return static_cast<UInt32>(mixed >> 32) ^ mSalt;
    }

private:
    const UInt32 mSalt;
    std::mutex mMutex;
    std::vector<RefEntry> mEntries;  // index i is mEntries[i - 1]
    std::unordered_map<std::string, UInt64> mLatestByPath;
};

RefTable& Table()
{
    static RefTable* table = new RefTable();  // used until the process ends, never destroyed
    return *table;
}

}  // namespace

void MakeRef(const std::string& path, const struct stat& info, FSRef& ref)
{
    RefTable& table = Table();
    RefBytes bytes{};
    bytes.magic = kRefMagic;
    bytes.index = table.Record(path, info);
    bytes.check = table.CheckFor(bytes.index);
    ClearRef(ref);
    std::memcpy(ref.hidden, &bytes, sizeof bytes);
}

OSErr LookUpRef(const FSRef* ref, RefEntry& entry)
{
    if (ref == nullptr) {
        return paramErr;
    }
    RefBytes bytes;
    std::memcpy(&bytes, ref->hidden, sizeof bytes);
    for (size_t at = sizeof bytes; at < sizeof ref->hidden; ++at) {
        if (ref->hidden[at] != 0) {
            return errFSBadFSRef;
        }
    }
    RefTable& table = Table();
    if (bytes.magic != kRefMagic || bytes.check != table.CheckFor(bytes.index) || !table.Find(bytes.index, entry)) {
        return errFSBadFSRef;
    }
    return noErr;
}

void MarkDeleted(const RefEntry& entry)
{
    Table().MarkDeleted(entry.index);
}

void ClearRef(FSRef& ref)
{
    std::memset(ref.hidden, 0, sizeof ref.hidden);
}

}  // namespace platform::files
