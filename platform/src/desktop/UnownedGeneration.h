// The desktop's clipboard when no application holds it: empty, until this process puts a flavor,
// which takes the clipboard first (a clear of the desktop's clipboard and its first generation).
#pragma once

#include "scrap/ClipboardBackend.h"

#include <functional>
#include <memory>

namespace platform::desktop {

class UnownedGeneration final : public scrap::ClipboardGeneration {
public:
    // take clears the desktop's clipboard for this process and answers the generation then current.
    using Take = std::function<OSStatus(std::shared_ptr<scrap::ClipboardGeneration>& taken)>;
    explicit UnownedGeneration(Take take) : mTake(std::move(take)) {}

    OSStatus Refresh() override { return mTaken ? mTaken->Refresh() : noErr; }
    size_t Count() const override { return mTaken ? mTaken->Count() : 0; }
    const scrap::ManifestEntry& EntryAt(size_t index) const override { return mTaken->EntryAt(index); }
    OSStatus Put(ScrapFlavorType type, ScrapFlavorFlags flags, Size size, const void* data) override
    {
        if (!mTaken) {
            if (OSStatus status = mTake(mTaken); status != noErr) {
                mTaken.reset();
                return status;
            }
        }
        return mTaken->Put(type, flags, size, data);
    }
    OSStatus ReadData(size_t index, Size* byteCount, void* destination) override
    {
        return mTaken->ReadData(index, byteCount, destination);
    }

private:
    Take mTake;
    std::shared_ptr<scrap::ClipboardGeneration> mTaken;
};

}  // namespace platform::desktop
