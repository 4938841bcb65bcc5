// A descriptor that the test owns and disposes of when the test leaves its scope, failed
// assertions included.
#pragma once

#include <gtest/gtest.h>

#include <Carbon/AEDataModel.h>

#include <string>
#include <vector>

class ScopedDesc {
public:
    enum ListKind { kList, kRecord };

    ScopedDesc() { AEInitializeDesc(&mDesc); }
    // A new empty list or record.
    explicit ScopedDesc(ListKind kind) : ScopedDesc()
    {
        EXPECT_EQ(AECreateList(nullptr, 0, kind == kRecord, &mDesc), noErr);
    }
    ~ScopedDesc() { AEDisposeDesc(&mDesc); }
    ScopedDesc(const ScopedDesc&) = delete;
    ScopedDesc& operator=(const ScopedDesc&) = delete;

    AEDesc* operator&() { return &mDesc; }
    const AEDesc* operator&() const { return &mDesc; }
    AEDesc& get() { return mDesc; }
    DescType type() const { return mDesc.descriptorType; }

    // The data bytes, read through the public calls.
    std::vector<unsigned char> bytes() const
    {
        std::vector<unsigned char> data(static_cast<size_t>(AEGetDescDataSize(&mDesc)));
        AEGetDescData(&mDesc, data.data(), static_cast<Size>(data.size()));
        return data;
    }

private:
    AEDesc mDesc;
};

inline std::vector<unsigned char> Bytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}
