// Text out of descriptors and strings into buffers and descriptors.
#include "support/CMUtilsText.h"

#include "support/MemoryOwners.h"
#include "support/StAEDesc.h"

#include <cstring>
#include <new>

namespace CMUtils {
namespace {

// The zero-filled copy of a descriptor's data, disposed of when the reader goes away (the whole
// block, also when a byte-order mark at its start is skipped).
class StDescDataBlock {
public:
    StDescDataBlock() = default;
    ~StDescDataBlock()
    {
        if (mBlock != nullptr) {
            DisposePtr(mBlock);
        }
    }
    StDescDataBlock(const StDescDataBlock&) = delete;
    StDescDataBlock& operator=(const StDescDataBlock&) = delete;

    // False when no block can be had or the data cannot be read.
    bool Read(const AEDesc& desc)
    {
        mSize = AEGetDescDataSize(&desc);
        mBlock = NewPtrClear(mSize);
        if (mBlock == nullptr) {
            return false;
        }
        return AEGetDescData(&desc, mBlock, mSize) == noErr;
    }

    Ptr Get() const { return mBlock; }
    Size GetSize() const { return mSize; }

private:
    Ptr mBlock = nullptr;
    Size mSize = 0;
};

bool HasNonEmptyDataOfType(const StAEDesc& desc, DescType type)
{
    return desc.GetType() == type && desc.HasData() && AEGetDescDataSize(desc) > 0;
}

template <class Unit>
void ApplyLineEndingMode(Unit* units, size_t count, SInt32 mode)
{
    if (mode == kLineFeedsToReturns) {
        for (size_t index = 0; index < count; ++index) {
            if (units[index] == 10) {
                units[index] = 13;
            }
        }
    } else if (mode == kReturnsToLineFeeds) {
        for (size_t index = 0; index < count; ++index) {
            if (units[index] == 13) {
                units[index] = 10;
            }
        }
    }
}

CFStringRef CreateStringFromUnicodeDesc(const AEDesc& desc, SInt32 mode)
{
    StDescDataBlock data;
    if (!data.Read(desc)) {
        return nullptr;
    }
    auto* units = reinterpret_cast<UniChar*>(data.Get());
    size_t bytes = static_cast<size_t>(data.GetSize());
    // A byte-order mark in host order says nothing about the text itself; a swapped one is not
    // recognised and stays.
    if (bytes > 1 && units[0] == 0xFEFF) {
        ++units;
        bytes -= 2;
    }
    size_t count = bytes / 2;  // an odd last byte is not half a character
    ApplyLineEndingMode(units, count, mode);
    return CFStringCreateWithCharacters(kCFAllocatorDefault, units, static_cast<CFIndex>(count));
}

CFStringRef CreateStringFromTextDesc(const AEDesc& desc, SInt32 mode)
{
    StDescDataBlock data;
    if (!data.Read(desc)) {
        return nullptr;
    }
    auto* bytes = reinterpret_cast<UInt8*>(data.Get());
    ApplyLineEndingMode(bytes, static_cast<size_t>(data.GetSize()), mode);
    return CFStringCreateWithBytes(kCFAllocatorDefault, bytes, static_cast<CFIndex>(data.GetSize()),
                                   CFStringGetSystemEncoding(), true);
}

}  // namespace

Boolean AEDescHasTextData(const AEDesc& desc)
{
    if (desc.descriptorType == typeChar || desc.descriptorType == typeUnicodeText) {
        return AEGetDescDataSize(&desc) > 0;
    }
    if (desc.descriptorType == typeNull || desc.dataHandle == nullptr) {
        return false;
    }
    StAEDesc unicode;
    if (AECoerceDesc(&desc, typeUnicodeText, unicode) == noErr) {
        // A coercion that succeeds decides: 'TEXT' is tried only when there is no Unicode at all.
        return HasNonEmptyDataOfType(unicode, typeUnicodeText);
    }
    StAEDesc text;
    if (AECoerceDesc(&desc, typeChar, text) != noErr) {
        return false;
    }
    return HasNonEmptyDataOfType(text, typeChar);
}

CFStringRef CreateCFStringFromAEDesc(const AEDesc& desc, SInt32 lineEndingMode)
{
    if (desc.descriptorType == typeUnicodeText) {
        return desc.dataHandle != nullptr ? CreateStringFromUnicodeDesc(desc, lineEndingMode) : nullptr;
    }
    if (desc.descriptorType == typeChar) {
        return desc.dataHandle != nullptr ? CreateStringFromTextDesc(desc, lineEndingMode) : nullptr;
    }
    if (desc.descriptorType == typeNull || desc.dataHandle == nullptr) {
        return nullptr;
    }
    StAEDesc unicode;
    if (AECoerceDesc(&desc, typeUnicodeText, unicode) == noErr) {
        if (unicode.GetType() != typeUnicodeText || !unicode.HasData()) {
            return nullptr;
        }
        return CreateStringFromUnicodeDesc(*unicode.Get(), lineEndingMode);
    }
    StAEDesc text;
    if (AECoerceDesc(&desc, typeChar, text) != noErr || text.GetType() != typeChar || !text.HasData()) {
        return nullptr;
    }
    return CreateStringFromTextDesc(*text.Get(), lineEndingMode);
}

UniChar* CreateUTF16DataFromCFString(CFStringRef str, UInt32* outLength)
{
    if (str == nullptr) {
        return nullptr;
    }
    CFIndex length = CFStringGetLength(str);
    AStdMalloc<UniChar> buffer;
    // At least one unit, so that an empty string still hands out a buffer to free.
    buffer.AllocateAndCopy(nullptr, length > 0 ? static_cast<UInt32>(length) : 1, kMemObjClear);
    CFStringGetCharacters(str, CFRangeMake(0, length), buffer.Get());
    if (outLength != nullptr) {
        *outLength = static_cast<UInt32>(length);
    }
    return buffer.HandOut();
}

OSStatus CreateUniTextDescFromCFString(CFStringRef str, AEDesc& outDesc)
{
    if (str == nullptr) {
        return paramErr;
    }
    CFIndex length = CFStringGetLength(str);
    Size bytes = static_cast<Size>(length) * static_cast<Size>(sizeof(UniChar));
    if (const UniChar* direct = CFStringGetCharactersPtr(str)) {
        return AECreateDesc(typeUnicodeText, direct, bytes, &outDesc);
    }
    try {
        AStdArrayNew<UniChar> units(static_cast<UInt32>(length), kMemObjNoClear);
        CFStringGetCharacters(str, CFRangeMake(0, length), units.Get());
        return AECreateDesc(typeUnicodeText, units.Get(), bytes, &outDesc);
    } catch (const std::bad_alloc&) {
        // This conversion answers its failures as a status, never as an exception.
        return memFullErr;
    }
}

char* CreateUTF8CStringFromCFString(CFStringRef str, UInt32* outLength)
{
    if (outLength != nullptr) {
        *outLength = 0;
    }
    if (str == nullptr || CFStringGetLength(str) == 0) {
        return nullptr;
    }
    CFIndex maximum = CFStringGetMaximumSizeForEncoding(CFStringGetLength(str), kCFStringEncodingUTF8);
    if (maximum < 1) {
        return nullptr;
    }
    AStdMalloc<char> buffer;
    buffer.AllocateAndCopy(nullptr, static_cast<UInt32>(maximum + 1), kMemObjNoClear);
    if (!CFStringGetCString(str, buffer.Get(), maximum + 1, kCFStringEncodingUTF8)) {
        return nullptr;
    }
    if (outLength != nullptr) {
        *outLength = static_cast<UInt32>(std::strlen(buffer.Get()));
    }
    return buffer.HandOut();
}

void BufToHex(const UInt8* bytes, char* out, UInt32 count, UInt32& outCount, UInt8 groupSize)
{
    static const char kDigits[] = "0123456789ABCDEF";
    outCount = 0;
    UInt32 inGroup = 0;
    for (UInt32 index = 0; index < count; ++index) {
        out[outCount++] = kDigits[bytes[index] >> 4];
        out[outCount++] = kDigits[bytes[index] & 0x0F];
        if (groupSize != 0 && ++inGroup == groupSize) {
            out[outCount++] = ' ';
            inGroup = 0;
        }
    }
    out[outCount] = '\0';
}

void ReplaceCharacters(char* chars, SInt32 length, char find, char replacement)
{
    if (chars == nullptr) {
        return;
    }
    for (SInt32 index = 0; index < length; ++index) {
        if (chars[index] == find) {
            chars[index] = replacement;
        }
    }
}

void ReplaceUnicodeCharacters(UniChar* chars, UInt32 count, UniChar find, UniChar replacement)
{
    if (chars == nullptr) {
        return;
    }
    for (UInt32 index = 0; index < count; ++index) {
        if (chars[index] == find) {
            chars[index] = replacement;
        }
    }
}

void DebugCFString(CFStringRef str)
{
    if (str != nullptr) {
        CFShow(str);
    }
}

void DebugLongNumber(SInt32 number)
{
    Str255 text = {0};
    NumToString(number, text);
    DebugStr(text);
}

}  // namespace CMUtils
