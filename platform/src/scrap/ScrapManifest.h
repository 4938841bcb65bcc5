// The manifest of one clipboard generation: the flavors in the order they were put, each with its
// type, flags and size. Any process of the user can write the file, so reading it trusts nothing:
// the input is bounded, every field is checked, and a damaged manifest is an error, never a crash.
#pragma once

#include "base/Result.h"

#include <Carbon/Scrap.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform::scrap {

struct ManifestEntry {
    ScrapFlavorType type = 0;
    ScrapFlavorFlags flags = 0;
    Size size = 0;

    bool operator==(const ManifestEntry&) const = default;
};

// A generation holds at most this many flavors: a reader keeps a descriptor open for each, and this
// stays well inside the usual limit of 1024 per process, whatever a manifest claims. Applications
// put a handful. A manifest is never longer than kMaxManifestBytes (the header and
// kMaxManifestFlavors of the longest lines fit well inside it).
constexpr size_t kMaxManifestFlavors = 256;
constexpr size_t kMaxManifestBytes = 16 * 1024;
// The flag bits a flavor may carry.
constexpr ScrapFlavorFlags kKnownFlavorFlags = kScrapFlavorMaskSenderOnly | kScrapFlavorMaskTranslated;

// Reads a manifest: the entries in order, or a failure with the reason when the bytes are not a
// well-formed manifest: a wrong header, a count that differs from the lines, a malformed or
// out-of-range field, unknown flag bits, a repeated type, or more than the limits allow.
Result<std::vector<ManifestEntry>> ReadManifest(const unsigned char* bytes, size_t length);

// The manifest text for the entries, which ReadManifest reads back unchanged.
std::string WriteManifest(const std::vector<ManifestEntry>& entries);

// The name of a flavor's file in the generation folder: its type as eight lowercase hexadecimal
// digits, so that any type code (a '/' or a NUL byte included) makes a plain file name.
std::string FlavorFileName(ScrapFlavorType type);

}  // namespace platform::scrap
