#include "application/ClipboardText.h"

#include "common/TextConversion.h"

#include <Carbon/Scrap.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace cmhost {
namespace {

constexpr UniChar kByteOrderMark = 0xFEFF;

bool IsHighSurrogate(UniChar unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(UniChar unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Walks UTF-16 units as code points, a lone surrogate as '?': runs of plain ASCII go to ascii whole
// (the usual text, done a run at a time), every other code point to emit.
template <typename Ascii, typename Emit>
void ForEachCodePoint(const UniChar* units, size_t count, Ascii ascii, Emit emit)
{
    constexpr size_t kRun = 64;
    size_t i = 0;
    while (i < count) {
        size_t runEnd = std::min(count, i + kRun);
        UniChar any = 0;
        for (size_t k = i; k < runEnd; ++k)
            any |= units[k];
        if (any < 0x80) {
            ascii(units + i, runEnd - i);
            i = runEnd;
            continue;
        }
        // A pair may straddle the end of the run: the walk then goes one unit past it.
        for (; i < runEnd; ++i) {
            UniChar unit = units[i];
            if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
                emit(0x10000 + ((static_cast<UInt32>(unit) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
                ++i;
            } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
                emit('?');
            } else {
                emit(unit);
            }
        }
    }
}

size_t UTF8Size(UInt32 codePoint)
{
    return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}

char* PutUTF8(UInt32 codePoint, char* out)
{
    if (codePoint < 0x80) {
        *out++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

// The UTF-8 of every Mac OS Roman byte, taken once from the platform's own conversion so that
// there is one mapping of that encoding, not two.
const std::array<std::string, 256>& RomanTable()
{
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> made;
        for (unsigned byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            made[byte] = byte < 0x80 ? std::string(1, c) : UTF8FromMacRoman(&c, 1);
        }
        return made;
    }();
    return table;
}

}  // namespace

std::optional<ClipboardText> ClipboardText::Copy(std::string* refusal)
{
    ScrapRef scrap = nullptr;
    if (GetCurrentScrap(&scrap) != noErr)
        return std::nullopt;
    // The size and the bytes through the same ScrapRef, so that both come from one generation.
    // 'TEXT' is the fallback when there is no 'utxt' or it cannot be read.
    for (ScrapFlavorType type : {kScrapFlavorTypeUnicode, kScrapFlavorTypeText}) {
        Size size = 0;
        if (GetScrapFlavorSize(scrap, type, &size) != noErr || size < 0)
            continue;
        if (size > kMaxTextBytes) {
            *refusal = "the clipboard's text is larger than " + std::to_string(kMaxTextBytes) +
                       " bytes, the most a flavor can hold: nothing was pasted";
            return std::nullopt;
        }
        ClipboardText text;
        text.mUnicode = type == kScrapFlavorTypeUnicode;
        // A trailing odd byte of UTF-16 is no character: it is left out.
        Size wanted = text.mUnicode ? size / 2 * 2 : size;
        if (wanted > 0) {
            text.mBlock.reset(NewPtr(wanted));
            if (text.mBlock == nullptr || GetScrapFlavorData(scrap, type, &wanted, text.mBlock.get()) != noErr)
                continue;
        }
        text.mSize = static_cast<size_t>(wanted);
        text.Measure();
        return text;
    }
    return std::nullopt;
}

void ClipboardText::Measure()
{
    if (mUnicode) {
        const size_t count = mSize / 2;
        mFirstUnit = count > 0 && Units()[0] == kByteOrderMark ? 1 : 0;
        ForEachCodePoint(
            Units() + mFirstUnit, count - mFirstUnit, [&](const UniChar*, size_t run) { mUTF8Length += run; },
            [&](UInt32 codePoint) { mUTF8Length += UTF8Size(codePoint); });
        return;
    }
    const auto& table = RomanTable();
    const auto* bytes = reinterpret_cast<const unsigned char*>(mBlock.get());
    for (size_t i = 0; i < mSize; ++i)
        mUTF8Length += table[bytes[i]].size();
}

void ClipboardText::WriteUTF8(char* destination) const
{
    if (!mUnicode) {
        const auto& table = RomanTable();
        const auto* bytes = reinterpret_cast<const unsigned char*>(mBlock.get());
        for (size_t i = 0; i < mSize; ++i) {
            const std::string& encoded = table[bytes[i]];
            std::memcpy(destination, encoded.data(), encoded.size());
            destination += encoded.size();
        }
        return;
    }
    ForEachCodePoint(
        Units() + mFirstUnit, mSize / 2 - mFirstUnit,
        [&](const UniChar* run, size_t length) {
            for (size_t k = 0; k < length; ++k)
                destination[k] = static_cast<char>(run[k]);
            destination += length;
        },
        [&](UInt32 codePoint) { destination = PutUTF8(codePoint, destination); });
}

}  // namespace cmhost
