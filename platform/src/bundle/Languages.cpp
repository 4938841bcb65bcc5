// Locale names to language folder names. Bundles made for the original platform often use the
// old English names of languages ("German.lproj"), so both spellings are tried.
#include "bundle/Languages.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace platform {
namespace {

struct LanguageName {
    std::string_view code;
    std::string_view folder;
};

constexpr LanguageName kClassicNames[] = {
    {"en", "English"}, {"de", "German"},  {"fr", "French"},   {"it", "Italian"},
    {"es", "Spanish"}, {"ja", "Japanese"}, {"nl", "Dutch"},
};

bool IsFolderSafe(const std::string& name)
{
    if (name.empty()) {
        return false;
    }
    for (char c : name) {
        bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '_' && c != '-') {
            return false;
        }
    }
    return true;
}

void AddOnce(std::vector<std::string>& folders, const std::string& name)
{
    for (const std::string& existing : folders) {
        if (existing == name) {
            return;
        }
    }
    folders.push_back(name);
}

}  // namespace

std::vector<std::string> LanguageFoldersForLocale(const std::string& locale)
{
    std::vector<std::string> folders;
    // "de_DE.UTF-8@euro": the encoding and the modifier say nothing about the language.
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name == "C" || name == "POSIX" || !IsFolderSafe(name)) {
        return folders;
    }
    AddOnce(folders, name);
    std::string language = name.substr(0, name.find_first_of("_-"));
    AddOnce(folders, language);
    for (const LanguageName& classic : kClassicNames) {
        if (classic.code == language) {
            AddOnce(folders, std::string(classic.folder));
        }
    }
    // English.lproj is every caller's last resort, tried after these.
    std::erase(folders, std::string("English"));
    return folders;
}

std::vector<std::string> PreferredLanguageFolders()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return LanguageFoldersForLocale(value);
        }
    }
    return {};
}

}  // namespace platform
