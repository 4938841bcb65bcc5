// The clip list in the preferences as the tests meet it: stored the way another process of the
// user leaves it, and read back the way the next menu reads it.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cliplisttest {

// One record. An empty file name or flavor list leaves its key out; no submenu leaves "SUBMENU"
// out, which puts the clip at the top level of the menu.
struct ClipRecord {
    std::string name;
    std::string fileName;
    std::vector<std::string> flavors;
    bool secure = false;
    std::optional<std::string> submenu = "/Stashwell";
    std::string identifier{};  // "CLIP_ID"; empty leaves it out, as in records of earlier versions
};

// The records as a clip list array (+1).
CFMutableArrayRef CreateClipArray(const std::vector<ClipRecord>& clips);

// Stores the records as the clip list of version 1, and makes this process forget what it had
// read of the preferences.
void StoreClipList(const std::vector<ClipRecord>& clips);

// A stored record as text: key -> value ("TEXT,utxt" for an array, "true" or "false" for a
// boolean, "uuid" for an identifier of that form, "?" for any other type).
using StoredRecord = std::map<std::string, std::string>;

StoredRecord RecordOf(CFDictionaryRef record);

// The stored list, read afresh; empty when there is none.
std::vector<StoredRecord> ReadStoredClipList();
std::vector<std::string> StoredClipNames();

}  // namespace cliplisttest
