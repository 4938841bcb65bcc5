#include "prefs/PreferencesSalvage.h"

#include "plist/PropertyListReader.h"
#include "text/Unicode.h"

#include <map>
#include <optional>

namespace platform::prefs {
namespace {

// Skips white space and comments; false at the end of the text.
bool SkipFiller(std::string_view xml, size_t& at)
{
    for (;;) {
        at = xml.find_first_not_of(" \t\r\n", at);
        if (at == std::string_view::npos) {
            return false;
        }
        if (xml.compare(at, 4, "<!--") != 0) {
            return true;
        }
        size_t end = xml.find("-->", at + 4);
        if (end == std::string_view::npos) {
            return false;
        }
        at = end + 3;
    }
}

// The end of the element that starts at at (just past its closing '>'), nested elements, comments
// and character data sections included.
std::optional<size_t> ElementEnd(std::string_view xml, size_t at)
{
    int depth = 0;
    do {
        size_t open = xml.find('<', at);
        if (open == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view closer = ">";
        int change = 1;
        // Most tags open or close an element: the character after '<' tells them apart cheaply.
        char next = open + 1 < xml.size() ? xml[open + 1] : '\0';
        if (next == '!' && xml.compare(open, 4, "<!--") == 0) {
            closer = "-->";
            change = 0;
        } else if (next == '!' && xml.compare(open, 9, "<![CDATA[") == 0) {
            closer = "]]>";
            change = 0;
        } else if (next == '/') {
            change = -1;
        }
        size_t close = xml.find(closer, open + 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        if (change == 1 && xml[close - 1] == '/') {
            change = 0;  // an empty element such as <true/>
        }
        depth += change;
        at = close + closer.size();
        if (depth < 0) {
            return std::nullopt;
        }
    } while (depth > 0);
    return at;
}

// The text of each entry of the root dictionary (its <key> element followed by its value element),
// one per entry in the text, repeats included; nothing when the text is laid out otherwise. Only
// scanned, not parsed: most files hold no repeated key, and the count alone says so.
std::optional<std::vector<std::pair<std::string_view, std::string_view>>> RootEntryTexts(std::string_view xml)
{
    size_t at = xml.find("<plist");
    if (at == std::string_view::npos || (at = xml.find('>', at)) == std::string_view::npos) {
        return std::nullopt;
    }
    ++at;
    if (!SkipFiller(xml, at) || xml.compare(at, 6, "<dict>") != 0) {
        return std::nullopt;
    }
    at += 6;
    std::vector<std::pair<std::string_view, std::string_view>> entries;
    for (;;) {
        if (!SkipFiller(xml, at)) {
            return std::nullopt;
        }
        if (xml.compare(at, 7, "</dict>") == 0) {
            return entries;
        }
        size_t keyStart = at;
        if (xml.compare(at, 5, "<key>") != 0 || (at = xml.find("</key>", at)) == std::string_view::npos) {
            return std::nullopt;
        }
        at += 6;
        std::string_view key = xml.substr(keyStart, at - keyStart);
        if (!SkipFiller(xml, at)) {
            return std::nullopt;
        }
        std::optional<size_t> end = ElementEnd(xml, at);
        if (!end) {
            return std::nullopt;
        }
        entries.emplace_back(key, xml.substr(at, *end - at));
        at = *end;
    }
}

// Each entry's key and value, decoded by the parser itself: the key as the parser reads it and the
// whole one-entry list as text, so that two copies of a key agree when their texts do. Nothing
// when an entry does not parse on its own.
std::optional<std::vector<std::pair<std::string, std::string>>> DecodeEntries(
    const std::vector<std::pair<std::string_view, std::string_view>>& texts)
{
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& [key, value] : texts) {
        std::string one = "<plist version=\"1.0\"><dict>" + std::string(key) + std::string(value) + "</dict></plist>";
        Result<plist::PlistNode> parsed = plist::ParseXMLPropertyList(one);
        if (!parsed.Ok() || parsed->View().Kind() != plist::NodeKind::Dictionary) {
            return std::nullopt;
        }
        const plist::PlistNode& pair = parsed.Value();
        auto items = pair.View().DictionaryItems();
        if (items.size() != 1) {
            return std::nullopt;
        }
        entries.emplace_back(items[0].first, plist::FormatXML(pair));
    }
    return entries;
}

}  // namespace

bool SalvageDamagedKeys(std::string_view xml, const plist::PlistNode& root, Salvage& salvage)
{
    auto items = root.View().DictionaryItems();
    // A key given twice: the text holds more entries than the parsed dictionary. Only then are the
    // entries parsed one by one, to tell which keys repeat and whether their copies agree.
    std::map<std::string, bool> repeatsAgree;
    if (auto texts = RootEntryTexts(xml); texts && texts->size() > items.size()) {
        if (auto entries = DecodeEntries(*texts)) {
            std::map<std::string, std::string> first;
            for (const auto& [key, text] : *entries) {
                auto [place, fresh] = first.emplace(key, text);
                if (!fresh) {
                    auto [agree, unseen] = repeatsAgree.emplace(key, true);
                    agree->second = agree->second && place->second == text;
                }
            }
        }
    }
    // Every key is judged before anything is copied: a sound file, the usual case, copies nothing.
    std::vector<bool> usable(items.size());
    bool allUsable = repeatsAgree.empty();
    std::u16string units;
    for (size_t i = 0; i < items.size(); ++i) {
        const auto& [key, value] = items[i];
        auto repeat = repeatsAgree.find(key);
        usable[i] = DecodeUTF8(key, units, true) && plist::ValidateTree(value).Ok() &&
                    (repeat == repeatsAgree.end() || repeat->second);
        allUsable = allUsable && usable[i];
    }
    if (allUsable) {
        return false;
    }
    Salvage result;
    result.kept = plist::PlistNode::MakeDictionary();
    for (size_t i = 0; i < items.size(); ++i) {
        const auto& [key, value] = items[i];
        if (repeatsAgree.contains(key)) {
            result.repeated.push_back(key);
        }
        if (usable[i]) {
            result.kept.Set(key, plist::PlistNode::CopyOf(value));
        } else {
            result.dropped.push_back(key);
        }
    }
    salvage = std::move(result);
    return true;
}

}  // namespace platform::prefs
