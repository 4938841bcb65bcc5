// Ordering and searching strings by their UTF-16 units, optionally ignoring case and reading runs
// of digits as numbers.
#include "cf/StringObject.h"

#include <string>

using namespace platform;

namespace {

// Simple case folding to lower case for the scripts users of this system write menus and clip
// names in: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic.
char16_t FoldCase(char16_t unit)
{
    if (unit < 0x80) {
        return unit >= 'A' && unit <= 'Z' ? static_cast<char16_t>(unit + 0x20) : unit;
    }
    if (unit < 0x100) {
        if (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) {
            return static_cast<char16_t>(unit + 0x20);
        }
        return unit == 0xB5 ? char16_t{0x3BC} : unit;  // MICRO SIGN folds to GREEK SMALL LETTER MU
    }
    if (unit < 0x180) {
        if ((unit >= 0x100 && unit <= 0x12F) || (unit >= 0x132 && unit <= 0x137) ||
            (unit >= 0x14A && unit <= 0x177)) {
            return static_cast<char16_t>(unit | 1);  // capitals on even code points
        }
        if ((unit >= 0x139 && unit <= 0x148) || (unit >= 0x179 && unit <= 0x17E)) {
            return (unit & 1) != 0 ? static_cast<char16_t>(unit + 1) : unit;  // capitals on odd ones
        }
        if (unit == 0x178) {
            return 0xFF;
        }
        return unit == 0x17F ? char16_t{'s'} : unit;
    }
    if (unit >= 0x386 && unit <= 0x3AB) {
        if (unit >= 0x391 && unit != 0x3A2) {
            return static_cast<char16_t>(unit + 0x20);
        }
        switch (unit) {
        case 0x386:
            return 0x3AC;
        case 0x388:
        case 0x389:
        case 0x38A:
            return static_cast<char16_t>(unit + 0x25);
        case 0x38C:
            return 0x3CC;
        case 0x38E:
        case 0x38F:
            return static_cast<char16_t>(unit + 0x3F);
        default:
            return unit;
        }
    }
    if (unit == 0x3C2) {
        return 0x3C3;  // final sigma
    }
    if (unit >= 0x400 && unit <= 0x40F) {
        return static_cast<char16_t>(unit + 0x50);
    }
    if (unit >= 0x410 && unit <= 0x42F) {
        return static_cast<char16_t>(unit + 0x20);
    }
    return unit;
}

bool IsDigit(char16_t unit)
{
    return unit >= '0' && unit <= '9';
}

int Sign(long value)
{
    return (value > 0) - (value < 0);
}

// Compares the digit runs starting at a[i] and b[j] by value and moves past them.
int CompareDigitRuns(std::u16string_view a, size_t& i, std::u16string_view b, size_t& j)
{
    auto run = [](std::u16string_view text, size_t& pos) {
        while (pos < text.size() && text[pos] == '0' && pos + 1 < text.size() && IsDigit(text[pos + 1])) {
            ++pos;  // leading zeros do not change the value
        }
        size_t start = pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            ++pos;
        }
        return text.substr(start, pos - start);
    };
    std::u16string_view left = run(a, i);
    std::u16string_view right = run(b, j);
    if (left.size() != right.size()) {
        return left.size() < right.size() ? -1 : 1;
    }
    return Sign(left.compare(right));
}

int CompareUnits(std::u16string_view a, std::u16string_view b, CFStringCompareFlags flags)
{
    bool fold = (flags & kCFCompareCaseInsensitive) != 0;
    bool numeric = (flags & kCFCompareNumerically) != 0;
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (numeric && IsDigit(a[i]) && IsDigit(b[j])) {
            int order = CompareDigitRuns(a, i, b, j);
            if (order != 0) {
                return order;
            }
            continue;
        }
        char16_t left = fold ? FoldCase(a[i]) : a[i];
        char16_t right = fold ? FoldCase(b[j]) : b[j];
        if (left != right) {
            return left < right ? -1 : 1;
        }
        ++i;
        ++j;
    }
    bool leftDone = i == a.size();
    bool rightDone = j == b.size();
    return leftDone == rightDone ? 0 : (leftDone ? -1 : 1);
}

bool MatchesAt(std::u16string_view text, size_t at, std::u16string_view pattern, bool fold)
{
    for (size_t k = 0; k < pattern.size(); ++k) {
        char16_t left = text[at + k];
        char16_t right = pattern[k];
        if (left != right && (!fold || FoldCase(left) != FoldCase(right))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" {

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions)
{
    int order = CompareUnits(StringUnits(theString1), StringUnits(theString2), compareOptions);
    return order < 0 ? kCFCompareLessThan : (order > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo);
}

CFRange CFStringFind(CFStringRef theString, CFStringRef stringToFind, CFStringCompareFlags compareOptions)
{
    std::u16string_view text = StringUnits(theString);
    std::u16string_view pattern = StringUnits(stringToFind);
    CFRange notFound = CFRangeMake(kCFNotFound, 0);
    if (pattern.empty() || pattern.size() > text.size()) {
        return notFound;
    }
    bool fold = (compareOptions & kCFCompareCaseInsensitive) != 0;
    bool backwards = (compareOptions & kCFCompareBackwards) != 0;
    bool anchored = (compareOptions & kCFCompareAnchored) != 0;
    size_t last = text.size() - pattern.size();
    auto found = [&](size_t at) { return CFRangeMake(static_cast<CFIndex>(at), static_cast<CFIndex>(pattern.size())); };
    if (anchored) {
        size_t at = backwards ? last : 0;
        return MatchesAt(text, at, pattern, fold) ? found(at) : notFound;
    }
    for (size_t step = 0; step <= last; ++step) {
        size_t at = backwards ? last - step : step;
        if (MatchesAt(text, at, pattern, fold)) {
            return found(at);
        }
    }
    return notFound;
}

Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix)
{
    return CFStringFind(theString, prefix, kCFCompareAnchored).location == 0;
}

Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix)
{
    return CFStringFind(theString, suffix, kCFCompareAnchored | kCFCompareBackwards)
               .location != kCFNotFound;
}

}  // extern "C"
