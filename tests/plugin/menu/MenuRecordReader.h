// Reads a host command list back the way a contextual-menu host does: record by record, nested
// submenus included, giving back the reference of every 'cfst' name it meets. It is stricter than
// cmhost's reader (host/src/manager/MenuReader), which must take whatever a plug-in writes: here
// every record needs a name, every number must be written as typeSInt32, and a name's UTF-16 units
// are kept as written, so that a plug-in writing what a host would only tolerate fails its tests.
#pragma once

#include "plugin/support/TextTesting.h"

#include <Carbon/Carbon.h>

#include <optional>
#include <string>
#include <vector>

namespace menutest {

struct MenuEntry {
    std::string name;                // UTF-8
    std::u16string units;            // the name's UTF-16 units ('utxt' and 'cfst' names)
    DescType nameType = 0;           // 'cfst', 'utxt' or 'TEXT'
    bool isSubmenu = false;
    std::optional<SInt32> command;
    std::optional<SInt32> attributes;
    std::optional<SInt32> modifiers;
    std::vector<MenuEntry> items;    // a submenu's records
};

// Every record of the list; 'cfst' names are released as they are read, so a list is read once.
std::vector<MenuEntry> ReadMenu(const AEDescList* list);

// A compact picture of the menu: items by name, submenus as Name{...}, separated by ','.
std::string Outline(const std::vector<MenuEntry>& entries);

// The first entry with that name at this level, or NULL.
const MenuEntry* FindEntry(const std::vector<MenuEntry>& entries, const std::string& name);

// A host's command list: an empty descriptor list, read (and its names released) at most once,
// and disposed of at the end. Names never read are released then, so a failing test does not also
// report a leak.
class ScopedCommandList {
public:
    ScopedCommandList();
    ~ScopedCommandList();
    ScopedCommandList(const ScopedCommandList&) = delete;
    ScopedCommandList& operator=(const ScopedCommandList&) = delete;

    AEDescList* Get() { return &mList; }
    long Count() const;
    std::vector<MenuEntry> Read();

private:
    AEDescList mList;
    bool mRead = false;
};

using texttest::CreateString;

}  // namespace menutest
