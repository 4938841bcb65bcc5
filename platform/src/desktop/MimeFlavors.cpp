#include "desktop/MimeFlavors.h"

#include "text/Encodings.h"
#include "text/Unicode.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace platform::desktop {
namespace {

constexpr const char kUTF8String[] = "UTF8_STRING";
constexpr const char kUTF8Plain[] = "text/plain;charset=utf-8";
constexpr const char kLatin1String[] = "STRING";
constexpr const char kPlain[] = "text/plain";
// A flavor no MIME type stands for travels under this prefix and its type in hexadecimal.
constexpr std::string_view kPrivatePrefix = "application/x-stashwell-flavor-";
constexpr char kForeignMark = '#';

struct KnownTarget {
    const char* target;
    ScrapFlavorType type;
};

// In order of preference for each type.
constexpr KnownTarget kKnownTargets[] = {
    {kUTF8String, kScrapFlavorTypeUnicode}, {kUTF8Plain, kScrapFlavorTypeUnicode},
    {kLatin1String, kScrapFlavorTypeText},  {kPlain, kScrapFlavorTypeText},
    {"text/html", 'HTML'},                  {"text/rtf", 'RTF '},
    {"image/png", 'PNGf'},                  {"image/jpeg", 'JPEG'},
    {"image/tiff", 'TIFF'},                 {"text/uri-list", 'url '},
};

std::optional<ScrapFlavorType> KnownType(std::string_view target)
{
    for (const KnownTarget& known : kKnownTargets) {
        if (target == known.target) {
            return known.type;
        }
    }
    return std::nullopt;
}

std::optional<ScrapFlavorType> PrivateType(std::string_view target)
{
    if (target.size() != kPrivatePrefix.size() + 8 || target.substr(0, kPrivatePrefix.size()) != kPrivatePrefix) {
        return std::nullopt;
    }
    ScrapFlavorType type = 0;
    for (char digit : target.substr(kPrivatePrefix.size())) {
        int value = digit >= '0' && digit <= '9' ? digit - '0' : digit >= 'a' && digit <= 'f' ? digit - 'a' + 10 : -1;
        if (value < 0) {
            return std::nullopt;
        }
        type = (type << 4) | static_cast<ScrapFlavorType>(value);
    }
    return type;
}

std::string PrivateTarget(ScrapFlavorType type)
{
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(type));
    return std::string(kPrivatePrefix) + hex;
}

bool IsMimeType(std::string_view target)
{
    const size_t slash = target.find('/');
    return slash != std::string_view::npos && slash > 0 && slash + 1 < target.size();
}

char FromIndex(unsigned value)
{
    static constexpr char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return kChars[value % 62];
}

ScrapFlavorType ForeignTypeFromHash(unsigned hash)
{
    return (static_cast<ScrapFlavorType>(kForeignMark) << 24) |
           (static_cast<ScrapFlavorType>(static_cast<unsigned char>(FromIndex(hash / 3844))) << 16) |
           (static_cast<ScrapFlavorType>(static_cast<unsigned char>(FromIndex(hash / 62))) << 8) |
           static_cast<ScrapFlavorType>(static_cast<unsigned char>(FromIndex(hash)));
}

std::optional<std::string> Recode(std::string_view bytes, CFStringEncoding from, CFStringEncoding to)
{
    std::u16string units;
    if (!DecodeText(bytes, from, true, units)) {
        return std::nullopt;
    }
    std::string out;
    if (!EncodeAllText(units, to, '?', false, out)) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

bool IsMachineryTarget(std::string_view target)
{
    static const std::set<std::string_view> kMachinery = {
        "TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "DELETE", "INSERT_SELECTION", "INSERT_PROPERTY",
        "INCR", "ATOM_PAIR", "TEXT", "COMPOUND_TEXT", "LENGTH", "CLIPBOARD_MANAGER"};
    return kMachinery.count(target) != 0 || target.starts_with(kServerMarkPrefix);
}

ScrapFlavorType ForeignFlavorType(std::string_view target)
{
    unsigned hash = 2166136261u;
    for (char c : target) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return ForeignTypeFromHash(hash % (62u * 62u * 62u));
}

bool IsForeignFlavorType(ScrapFlavorType type)
{
    return (type >> 24) == static_cast<unsigned char>(kForeignMark);
}

std::string ForeignFlavorBytes(std::string_view target, std::string_view content)
{
    std::string bytes(target);
    bytes.push_back('\0');
    bytes.append(content);
    return bytes;
}

std::optional<std::pair<std::string_view, std::string_view>> SplitForeignFlavor(std::string_view bytes)
{
    const size_t end = bytes.find('\0');
    if (end == std::string_view::npos || !IsMimeType(bytes.substr(0, end))) {
        return std::nullopt;
    }
    return std::make_pair(bytes.substr(0, end), bytes.substr(end + 1));
}

std::vector<TargetFlavor> FlavorsForTargets(const std::vector<std::string>& targets)
{
    std::vector<TargetFlavor> flavors;
    std::set<ScrapFlavorType> taken;
    for (const std::string& target : targets) {
        if (IsMachineryTarget(target)) {
            continue;
        }
        std::optional<ScrapFlavorType> type = KnownType(target);
        if (type) {
            // The most preferred target of the type that the owner offers.
            for (const KnownTarget& known : kKnownTargets) {
                if (known.type == *type && std::find(targets.begin(), targets.end(), known.target) != targets.end()) {
                    if (taken.insert(*type).second) {
                        flavors.push_back({*type, known.target});
                    }
                    break;
                }
            }
            continue;
        }
        if ((type = PrivateType(target))) {
            if (taken.insert(*type).second) {
                flavors.push_back({*type, target});
            }
            continue;
        }
        if (!IsMimeType(target)) {
            continue;
        }
        // Another target of the same name's type in this clipboard: the next free one.
        ScrapFlavorType foreign = ForeignFlavorType(target);
        unsigned probe = 0;
        while (taken.count(foreign) != 0 && probe < 62u * 62u * 62u) {
            foreign = ForeignTypeFromHash(((foreign & 0xFFFFFF) + ++probe) % (62u * 62u * 62u));
        }
        taken.insert(foreign);
        flavors.push_back({foreign, target});
    }
    return flavors;
}

std::optional<std::string> KeptAnswerHeader(const TargetFlavor& flavor)
{
    if (flavor.type == kScrapFlavorTypeUnicode || flavor.type == kScrapFlavorTypeText) {
        return std::nullopt;
    }
    if (IsForeignFlavorType(flavor.type) && !KnownType(flavor.target) && !PrivateType(flavor.target)) {
        return ForeignFlavorBytes(flavor.target, "");
    }
    return std::string();
}

std::optional<std::string> FlavorBytesFromTarget(const TargetFlavor& flavor, std::string answer)
{
    if (flavor.type == kScrapFlavorTypeUnicode) {
        std::u16string units;
        if (!DecodeText(answer, kCFStringEncodingUTF8, true, units)) {
            return std::nullopt;
        }
        return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(char16_t));
    }
    if (flavor.type == kScrapFlavorTypeText) {
        const CFStringEncoding from = flavor.target == kLatin1String ? kCFStringEncodingISOLatin1 : kCFStringEncodingUTF8;
        return Recode(answer, from, kCFStringEncodingMacRoman);
    }
    std::optional<std::string> header = KeptAnswerHeader(flavor);
    if (header && !header->empty()) {
        return *header + answer;
    }
    return answer;
}

std::vector<std::pair<std::string, ScrapFlavorType>> TargetsForFlavors(const std::vector<OfferedFlavor>& flavors)
{
    std::vector<std::pair<std::string, ScrapFlavorType>> targets;
    auto holds = [&](ScrapFlavorType type) {
        return std::any_of(flavors.begin(), flavors.end(), [type](const OfferedFlavor& f) { return f.type == type; });
    };
    auto offer = [&](const std::string& target, ScrapFlavorType type) {
        if (std::none_of(targets.begin(), targets.end(), [&](const auto& t) { return t.first == target; })) {
            targets.emplace_back(target, type);
        }
    };
    for (const OfferedFlavor& flavor : flavors) {
        if (!flavor.foreignTarget.empty()) {
            offer(flavor.foreignTarget, flavor.type);
            continue;
        }
        bool known = false;
        for (const KnownTarget& target : kKnownTargets) {
            if (target.type == flavor.type) {
                offer(target.target, flavor.type);
                known = true;
            }
        }
        // Each text flavor gives the other's targets too when the clipboard lacks the other.
        if (flavor.type == kScrapFlavorTypeUnicode && !holds(kScrapFlavorTypeText)) {
            offer(kLatin1String, flavor.type);
            offer(kPlain, flavor.type);
        } else if (flavor.type == kScrapFlavorTypeText && !holds(kScrapFlavorTypeUnicode)) {
            offer(kUTF8String, flavor.type);
            offer(kUTF8Plain, flavor.type);
        }
        if (!known) {
            offer(PrivateTarget(flavor.type), flavor.type);
        }
    }
    return targets;
}

bool TargetKeepsFlavorBytes(ScrapFlavorType type, std::string_view target)
{
    const bool recoded = target == kUTF8String || target == kUTF8Plain || target == kPlain || target == kLatin1String;
    return !(recoded && (type == kScrapFlavorTypeUnicode || type == kScrapFlavorTypeText));
}

std::optional<std::string> TargetBytesFromFlavor(ScrapFlavorType type, std::string_view target, std::string bytes)
{
    if (!TargetKeepsFlavorBytes(type, target)) {
        const CFStringEncoding from = type == kScrapFlavorTypeUnicode ? kCFStringEncodingUnicode : kCFStringEncodingMacRoman;
        return Recode(bytes, from, target == kLatin1String ? kCFStringEncodingISOLatin1 : kCFStringEncodingUTF8);
    }
    if (IsForeignFlavorType(type)) {
        if (auto parts = SplitForeignFlavor(bytes); parts && parts->first == target) {
            bytes.erase(0, parts->first.size() + 1);
        }
    }
    return bytes;
}

}  // namespace platform::desktop
