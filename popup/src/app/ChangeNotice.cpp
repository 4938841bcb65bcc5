#include "app/ChangeNotice.h"

#include "manager/MenuEntries.h"

#include <map>
#include <utility>

namespace popup {
namespace {

using cmhost::EntryKind;
using cmhost::MenuEntry;
using cmhost::MenuItem;

// The keychain as its one command names it; Unknown when no list holds any of them.
enum class Keychain { Unknown, Missing, Locked, Unlocked };

Keychain KeychainOf(const std::string& label)
{
    if (label == "Create New Keychain...")
        return Keychain::Missing;
    if (label == "Unlock Keychain...")
        return Keychain::Locked;
    if (label == "Lock Keychain")
        return Keychain::Unlocked;
    return Keychain::Unknown;
}

// A clip: its submenus and its name.
using Clip = std::pair<std::string, std::string>;

struct MenuState {
    std::vector<Clip> clips;  // in the menu's order; a name may be there twice
    Keychain keychain = Keychain::Unknown;
};

void Collect(const std::vector<MenuItem>& items, const std::string& path, bool top, MenuState& state)
{
    // Paired with their alternates as the lists show them.
    const std::vector<MenuEntry> plain = cmhost::VisibleEntries(items, 0);
    const std::vector<MenuEntry> optioned = cmhost::VisibleEntries(items, cmhost::kOptionHeld);
    for (size_t i = 0; i < plain.size() && i < optioned.size(); ++i) {
        const MenuEntry& entry = plain[i];
        if (entry.kind == EntryKind::Submenu) {
            // The top list's submenus are the plug-ins' own ("Stashwell"), which every clip is in.
            const std::string inner = top ? "" : (path.empty() ? entry.label : path + " › " + entry.label);
            Collect(entry.item->submenu, inner, false, state);
        } else if (entry.kind == EntryKind::Command) {
            if (optioned[i].item != entry.item)
                state.clips.emplace_back(path, entry.label);
            else if (const Keychain keychain = KeychainOf(entry.label); keychain != Keychain::Unknown)
                state.keychain = keychain;
        }
    }
}

MenuState StateOf(const std::vector<MenuItem>& items)
{
    MenuState state;
    Collect(items, "", true, state);
    return state;
}

// The clips of `of` that `than` has fewer of, in the order of `of`: each copy of a name counts.
std::vector<Clip> MoreIn(const std::vector<Clip>& of, const std::vector<Clip>& than)
{
    std::map<Clip, int> left;
    for (const Clip& clip : than)
        ++left[clip];
    std::vector<Clip> more;
    for (const Clip& clip : of) {
        if (left[clip] > 0)
            --left[clip];
        else
            more.push_back(clip);
    }
    return more;
}

std::string Quoted(const std::string& name)
{
    return "“" + name + "”";
}

}  // namespace

std::vector<std::string> ChangeSentences(const std::vector<MenuItem>& before, const std::vector<MenuItem>& after)
{
    const MenuState was = StateOf(before);
    const MenuState is = StateOf(after);
    std::vector<std::string> sentences;
    const bool known = was.keychain != Keychain::Unknown && is.keychain != Keychain::Unknown;
    const bool created = known && was.keychain == Keychain::Missing && is.keychain != Keychain::Missing;
    const bool unlocked = known && was.keychain == Keychain::Locked && is.keychain == Keychain::Unlocked;
    const bool locked = known && was.keychain == Keychain::Unlocked && is.keychain == Keychain::Locked;
    if (created)
        sentences.push_back("Keychain created");
    if (unlocked)
        sentences.push_back("Keychain unlocked");
    if (locked)
        sentences.push_back("Keychain locked");
    // The secure clips are listed only while the keychain is unlocked.
    if (!unlocked) {
        for (const Clip& clip : MoreIn(is.clips, was.clips))
            sentences.push_back("Stored " + Quoted(clip.second) + (clip.first.empty() ? "" : " in " + clip.first));
    }
    if (!locked) {
        for (const Clip& clip : MoreIn(was.clips, is.clips))
            sentences.push_back("Deleted " + Quoted(clip.second));
    }
    return sentences;
}

}  // namespace popup
