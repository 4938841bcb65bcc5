// The proposed name of a new clip: the start of its text's first non-blank line, up to the third
// run of blanks, or a fixed name that tells what kind of content it is.
#include "content/FlavorSet.h"

#include <algorithm>
#include <cstring>

namespace {

// At most this many characters of the text are looked at, so the name is never longer.
constexpr size_t kMaxNameCharacters = 128;
constexpr UInt32 kBlank = 0x20;
constexpr UInt32 kByteOrderMark = 0xFEFF;

CFStringRef CreateFixedName(CFStringRef name)
{
    return static_cast<CFStringRef>(CFRetain(name));
}

// The name inside the working copy of the text's first characters: *start receives where it
// begins, the result is its length (0: no name, the text is blank). Leading blanks are skipped
// (the byte-order mark too, for Unicode text); the name ends before a line end, before the third
// run of blanks, or at the end of the copy. Blanks inside it become spaces in the copy, one for
// one.
template <class Character>
size_t FindNameInText(Character* copy, size_t count, bool skipByteOrderMark, size_t* start)
{
    size_t first = 0;
    while (first < count && (copy[first] <= kBlank || (skipByteOrderMark && copy[first] == kByteOrderMark))) {
        ++first;
    }
    *start = first;
    bool inRun = false;
    int runs = 0;
    size_t i = first;
    for (; i < count; ++i) {
        UInt32 c = copy[i];
        if (c == '\r' || c == '\n') {
            break;
        }
        if (c > kBlank) {
            inRun = false;
            continue;
        }
        if (!inRun) {
            ++runs;
            if (runs == 3) {
                break;
            }
        }
        copy[i] = static_cast<Character>(kBlank);
        inRun = true;
    }
    return i - first;
}

CFStringRef CreateNameFromUnicodeFlavor(Ptr block, Boolean& fromContent)
{
    // The working copy is aligned for UTF-16 units, whatever the block is; an odd last byte is
    // not a unit.
    UniChar copy[kMaxNameCharacters];
    size_t count = std::min(static_cast<size_t>(GetPtrSize(block)) / sizeof(UniChar), kMaxNameCharacters);
    std::memcpy(copy, block, count * sizeof(UniChar));
    size_t start = 0;
    size_t length = FindNameInText(copy, count, true, &start);
    if (length == 0) {
        return CreateFixedName(CFSTR("New Text Clip"));
    }
    fromContent = true;
    return CFStringCreateWithCharacters(kCFAllocatorDefault, copy + start, static_cast<CFIndex>(length));
}

// NULL when the bytes kept do not decode in the system encoding (a multi-byte character cut).
CFStringRef CreateNameFromTextFlavor(Ptr block, Boolean& fromContent)
{
    UInt8 copy[kMaxNameCharacters];
    size_t count = std::min(static_cast<size_t>(GetPtrSize(block)), kMaxNameCharacters);
    std::memcpy(copy, block, count);
    size_t start = 0;
    size_t length = FindNameInText(copy, count, false, &start);
    if (length == 0) {
        return CreateFixedName(CFSTR("New Text Clip"));
    }
    fromContent = true;
    return CFStringCreateWithBytes(kCFAllocatorDefault, copy + start, static_cast<CFIndex>(length),
                                   CFStringGetSystemEncoding(), false);
}

}  // namespace

CFStringRef FlavorSet::CreateDefaultNameString(Boolean& hasText, Boolean* fromContent)
{
    hasText = false;
    Boolean fromText = false;
    if (fromContent == nullptr) {
        fromContent = &fromText;
    }
    *fromContent = false;
    // Only the Unicode text is looked at when there is some, even when it is all blanks.
    if (auto unicode = find(kScrapFlavorTypeUnicode); unicode != end()) {
        hasText = true;
        return CreateNameFromUnicodeFlavor(unicode->second, *fromContent);
    }
    if (auto text = find(kScrapFlavorTypeText); text != end()) {
        hasText = true;
        return CreateNameFromTextFlavor(text->second, *fromContent);
    }
    bool hasMovie = false;
    bool hasPicture = false;
    bool hasSound = false;
    for (const auto& entry : *this) {
        hasMovie = hasMovie || entry.first == kScrapFlavorTypeMovie;
        hasPicture = hasPicture || entry.first == kScrapFlavorTypePicture;
        hasSound = hasSound || entry.first == kScrapFlavorTypeSound;
    }
    if (hasMovie) {
        return CreateFixedName(CFSTR("New Movie Clip"));
    }
    if (hasPicture) {
        return CreateFixedName(CFSTR("New Picture Clip"));
    }
    if (hasSound) {
        return CreateFixedName(CFSTR("New Sound Clip"));
    }
    return CreateFixedName(CFSTR("New Clip"));
}
