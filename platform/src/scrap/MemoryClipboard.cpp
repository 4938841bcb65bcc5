// A clipboard in this process's memory: the same generations, order, flags and failures as the
// shared ones, for tests that must not touch the user's clipboard or a desktop.
#include "scrap/ClipboardBackend.h"
#include "scrap/ScrapError.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace platform::scrap {
namespace {

class MemoryGeneration final : public ClipboardGeneration {
public:
    OSStatus Refresh() override { return noErr; }
    size_t Count() const override { return mEntries.size(); }
    const ManifestEntry& EntryAt(size_t index) const override { return mEntries[index]; }

    OSStatus Put(ScrapFlavorType type, ScrapFlavorFlags flags, Size size, const void* data) override
    {
        if (mRetired) {
            return FailScrap(badScrapRefErr, "the clipboard was cleared after this reference to it was taken");
        }
        if (std::any_of(mEntries.begin(), mEntries.end(), [type](const ManifestEntry& e) { return e.type == type; })) {
            return FailScrap(duplicateScrapFlavorErr, "the clipboard already holds " + FlavorLabel(type));
        }
        if (mEntries.size() >= kMaxManifestFlavors) {
            return FailScrap(internalScrapErr, "the clipboard already holds " + std::to_string(kMaxManifestFlavors) +
                                                   " flavors, the most it can");
        }
        const auto* bytes = static_cast<const char*>(data);
        mData.emplace_back(bytes, bytes + size);
        mEntries.push_back(ManifestEntry{type, flags, size});
        return noErr;
    }

    OSStatus ReadData(size_t index, Size* byteCount, void* destination) override
    {
        const std::vector<char>& bytes = mData[index];
        const size_t count = std::min(static_cast<size_t>(*byteCount), bytes.size());
        if (count > 0) {
            std::memcpy(destination, bytes.data(), count);
        }
        *byteCount = static_cast<Size>(count);
        return noErr;
    }

    void Retire() { mRetired = true; }

private:
    std::vector<ManifestEntry> mEntries;
    std::vector<std::vector<char>> mData;
    bool mRetired = false;
};

class MemoryClipboard final : public ClipboardBackend {
public:
    OSStatus Current(std::shared_ptr<ClipboardGeneration>& generation) override
    {
        if (!mCurrent) {
            mCurrent = std::make_shared<MemoryGeneration>();
        }
        generation = mCurrent;
        return noErr;
    }

    OSStatus Clear(bool) override
    {
        if (mCurrent) {
            mCurrent->Retire();
        }
        mCurrent = std::make_shared<MemoryGeneration>();
        return noErr;
    }

private:
    std::shared_ptr<MemoryGeneration> mCurrent;
};

}  // namespace

std::unique_ptr<ClipboardBackend> MakeMemoryClipboard()
{
    return std::make_unique<MemoryClipboard>();
}

}  // namespace platform::scrap
