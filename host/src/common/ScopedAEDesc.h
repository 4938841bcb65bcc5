// The host's scoped owner of an Apple Event descriptor: whatever it holds is disposed when it goes
// away. Pass Out() to a function that fills a descriptor; the old contents are disposed first.
#pragma once

#include <Carbon/Carbon.h>

namespace cmhost {

class ScopedAEDesc {
public:
    ScopedAEDesc() { AEInitializeDesc(&mDesc); }
    ~ScopedAEDesc() { AEDisposeDesc(&mDesc); }
    ScopedAEDesc(ScopedAEDesc&& other) noexcept : mDesc(other.mDesc) { AEInitializeDesc(&other.mDesc); }
    ScopedAEDesc& operator=(ScopedAEDesc&& other) noexcept
    {
        if (this != &other) {
            AEDisposeDesc(&mDesc);
            mDesc = other.mDesc;
            AEInitializeDesc(&other.mDesc);
        }
        return *this;
    }
    ScopedAEDesc(const ScopedAEDesc&) = delete;
    ScopedAEDesc& operator=(const ScopedAEDesc&) = delete;

    const AEDesc& Get() const { return mDesc; }
    AEDesc* Mutable() { return &mDesc; }
    AEDesc* Out()
    {
        AEDisposeDesc(&mDesc);
        return &mDesc;
    }
    DescType Type() const { return mDesc.descriptorType; }

private:
    AEDesc mDesc;
};

}  // namespace cmhost
