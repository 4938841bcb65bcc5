// The manifest is text, one flavor per line, so that a person looking into the clipboard folder
// can read it:
//
//   clipboard manifest 1
//   flavors 2
//   54455854 00000000 3
//   75747874 00000001 8
//
// Each flavor line is the type and the flags as eight lowercase hexadecimal digits and the size in
// decimal. The reader accepts exactly what the writer produces and nothing else.
#include "scrap/ScrapManifest.h"

#include <cstdio>
#include <string_view>
#include <unordered_set>

namespace platform::scrap {
namespace {

constexpr std::string_view kHeader = "clipboard manifest 1";
constexpr std::string_view kCountPrefix = "flavors ";
// Sizes are below 10^18, which fits a 64-bit Size with room to spare.
constexpr size_t kMaxSizeDigits = 18;

// Takes one line (without its '\n') off the front of rest; false when no '\n' ends it.
bool TakeLine(std::string_view& rest, std::string_view& line)
{
    size_t end = rest.find('\n');
    if (end == std::string_view::npos) {
        return false;
    }
    line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return true;
}

bool ParseHex32(std::string_view text, UInt32& value)
{
    if (text.size() != 8) {
        return false;
    }
    value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            return false;
        }
        value = (value << 4) | digit;
    }
    return true;
}

// A decimal number without sign or leading zeros ("0" itself excepted), at most maxDigits long.
bool ParseDecimal(std::string_view text, size_t maxDigits, long long& value)
{
    if (text.empty() || text.size() > maxDigits || (text.size() > 1 && text[0] == '0')) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

bool ParseEntry(std::string_view line, ManifestEntry& entry)
{
    // "tttttttt ffffffff size"
    if (line.size() < 19 || line[8] != ' ' || line[17] != ' ') {
        return false;
    }
    UInt32 type = 0;
    UInt32 flags = 0;
    long long size = 0;
    if (!ParseHex32(line.substr(0, 8), type) || !ParseHex32(line.substr(9, 8), flags) ||
        !ParseDecimal(line.substr(18), kMaxSizeDigits, size)) {
        return false;
    }
    entry.type = type;
    entry.flags = flags;
    entry.size = static_cast<Size>(size);
    return true;
}

}  // namespace

Result<std::vector<ManifestEntry>> ReadManifest(const unsigned char* bytes, size_t length)
{
    std::vector<ManifestEntry> entries;
    auto fail = [](std::string reason) {
        return Failure{internalScrapErr, 0, "the clipboard manifest is damaged: " + std::move(reason)};
    };
    if (bytes == nullptr && length > 0) {
        return fail("no bytes");
    }
    if (length > kMaxManifestBytes) {
        return fail("it is longer than " + std::to_string(kMaxManifestBytes) + " bytes");
    }
    std::string_view rest(reinterpret_cast<const char*>(bytes), length);
    std::string_view line;
    if (!TakeLine(rest, line) || line != kHeader) {
        return fail("it does not begin with \"" + std::string(kHeader) + "\"");
    }
    long long count = 0;
    if (!TakeLine(rest, line) || line.substr(0, kCountPrefix.size()) != kCountPrefix ||
        !ParseDecimal(line.substr(kCountPrefix.size()), 4, count)) {
        return fail("the flavor count is missing or malformed");
    }
    if (static_cast<unsigned long long>(count) > kMaxManifestFlavors) {
        return fail("it names " + std::to_string(count) + " flavors, more than " +
                    std::to_string(kMaxManifestFlavors));
    }
    std::unordered_set<ScrapFlavorType> seen;
    entries.reserve(static_cast<size_t>(count));
    for (long long i = 0; i < count; ++i) {
        ManifestEntry entry;
        if (!TakeLine(rest, line)) {
            return fail("it ends after " + std::to_string(i) + " of " + std::to_string(count) + " flavors");
        }
        if (!ParseEntry(line, entry)) {
            return fail("flavor line " + std::to_string(i + 1) + " is malformed");
        }
        if ((entry.flags & ~kKnownFlavorFlags) != 0) {
            return fail("flavor line " + std::to_string(i + 1) + " has unknown flag bits");
        }
        if (!seen.insert(entry.type).second) {
            return fail("flavor line " + std::to_string(i + 1) + " repeats a type");
        }
        entries.push_back(entry);
    }
    if (!rest.empty()) {
        return fail("there is more after the " + std::to_string(count) + " flavors it counts");
    }
    return entries;
}

std::string WriteManifest(const std::vector<ManifestEntry>& entries)
{
    std::string text(kHeader);
    text += '\n';
    text += kCountPrefix;
    text += std::to_string(entries.size());
    text += '\n';
    for (const ManifestEntry& entry : entries) {
        char line[64];
        std::snprintf(line, sizeof line, "%08x %08x %lld\n", static_cast<unsigned>(entry.type),
                      static_cast<unsigned>(entry.flags), static_cast<long long>(entry.size));
        text += line;
    }
    return text;
}

std::string FlavorFileName(ScrapFlavorType type)
{
    char name[16];
    std::snprintf(name, sizeof name, "%08x", static_cast<unsigned>(type));
    return name;
}

}  // namespace platform::scrap
