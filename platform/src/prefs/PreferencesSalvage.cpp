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
        if (xml.compare(open, 4, "<!--") == 0) {
            closer = "-->";
            change = 0;
        } else if (xml.compare(open, 9, "<![CDATA[") == 0) {
            closer = "]]>";
            change = 0;
        } else if (xml.compare(open, 2, "</") == 0) {
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

// Each key of the root dictionary with its value, one pair per entry in the text (repeats
// included), decoded by the parser itself; nothing when the text is laid out otherwise.
std::optional<std::vector<std::pair<std::string, std::string>>> RootEntries(std::string_view xml)
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
    std::vector<std::pair<std::string, std::string>> entries;
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
        std::string one = "<plist version=\"1.0\"><dict>" + std::string(key) + std::string(xml.substr(at, *end - at)) +
                          "</dict></plist>";
        at = *end;
        std::string error;
        plist::PlistNode pair = plist::ParseXMLPropertyList(one, error);
        if (!pair || pair.View().Kind() != plist::NodeKind::Dictionary) {
            return std::nullopt;
        }
        auto items = pair.View().DictionaryItems();
        if (items.size() != 1) {
            return std::nullopt;
        }
        // The whole one-entry list as text: two copies of a key agree when their texts do.
        entries.emplace_back(items[0].first, plist::FormatXML(pair));
    }
}

}  // namespace

bool SalvageDamagedKeys(std::string_view xml, const plist::PlistNode& root, Salvage& salvage)
{
    auto items = root.View().DictionaryItems();
    // A key given twice: the text holds more entries than the parsed dictionary.
    std::map<std::string, bool> repeatsAgree;
    if (auto entries = RootEntries(xml); entries && entries->size() > items.size()) {
        std::map<std::string, std::string> first;
        for (const auto& [key, text] : *entries) {
            auto [place, fresh] = first.emplace(key, text);
            if (!fresh) {
                auto [agree, unseen] = repeatsAgree.emplace(key, true);
                agree->second = agree->second && place->second == text;
            }
        }
    }
    Salvage result;
    result.kept = plist::PlistNode::MakeDictionary();
    std::u16string units;
    for (const auto& [key, value] : items) {
        std::string ignored;
        auto repeat = repeatsAgree.find(key);
        if (repeat != repeatsAgree.end()) {
            result.repeated.push_back(key);
        }
        bool usable = DecodeUTF8(key, units, true) && plist::ValidateTree(value, ignored) &&
                      (repeat == repeatsAgree.end() || repeat->second);
        if (usable) {
            result.kept.Set(key, plist::PlistNode::CopyOf(value));
        } else {
            result.dropped.push_back(key);
        }
    }
    if (result.dropped.empty() && result.repeated.empty()) {
        return false;
    }
    salvage = std::move(result);
    return true;
}

}  // namespace platform::prefs
