// Localisation tables: the old-style ".strings" text format, `"key" = "value";` entries with C
// escapes and comments, in UTF-8 or UTF-16 with a byte-order mark.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

using StringsTable = std::unordered_map<std::u16string, std::u16string>;

struct StringsParseResult {
    StringsTable entries;  // everything parsed before the end or before the first error
    bool complete = true;  // false when parsing stopped at an error
    std::string error;     // "line N: what was wrong", when not complete
};

// The largest table file that is read: tables come from bundles other people build.
constexpr size_t kMaxStringsFileBytes = 16 * 1024 * 1024;

// Decodes the file's bytes (UTF-8 with or without a byte-order mark, or UTF-16 with a byte-order
// mark in either order) and parses the entries. A malformed file keeps the entries before the
// fault. A key that occurs twice keeps its last value.
StringsParseResult ParseStringsData(std::string_view bytes);

// Reads and parses the file; false (with error set) when it cannot be read or is too large.
bool ReadStringsFile(const std::string& path, StringsParseResult& result);

}  // namespace platform
