// A scoped Apple Event descriptor: starts as typeNull with no data, is filled through the calls
// that create or coerce descriptors, and is disposed of when it goes away.
#pragma once

#include <Carbon/Carbon.h>

class StAEDesc {
public:
    StAEDesc()
    {
        mDesc.descriptorType = typeNull;
        mDesc.dataHandle = nullptr;
    }
    ~StAEDesc()
    {
        if (mDesc.dataHandle != nullptr) {
            AEDisposeDesc(&mDesc);
        }
    }
    StAEDesc(const StAEDesc&) = delete;
    StAEDesc& operator=(const StAEDesc&) = delete;

    // For the platform calls that fill a descriptor (AECreateDesc, AECoerceDesc, ...).
    AEDesc* Get() { return &mDesc; }
    const AEDesc* Get() const { return &mDesc; }
    operator AEDesc*() { return &mDesc; }
    operator const AEDesc*() const { return &mDesc; }

    DescType GetType() const { return mDesc.descriptorType; }
    bool HasData() const { return mDesc.dataHandle != nullptr; }

private:
    AEDesc mDesc;
};
