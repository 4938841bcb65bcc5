#include "menu/PopupMenu.h"

#include "menu/ActionText.h"

namespace popup {
namespace {

// A name shortened in the list is shown whole as the item's tooltip; a name shown whole needs none.
void SetNameTip(QAction& action, const std::string& utf8Label)
{
    const QString name = QString::fromStdString(utf8Label);
    action.setToolTip(ShownName(name) != name ? name : QString());
}

}  // namespace

using cmhost::EntryKind;
using cmhost::MenuEntry;
using cmhost::MenuItem;

PopupMenu::PopupMenu(const std::vector<MenuItem>& items, bool optionHeld)
    : mTop(std::make_unique<QMenu>()), mOptionHeld(optionHeld)
{
    Fill(*mTop, items);
}

PopupMenu::~PopupMenu() = default;

void PopupMenu::Fill(QMenu& menu, const std::vector<MenuItem>& items)
{
    // Alternates take the place of their main item, never a place of their own, so both views have
    // the same entries in the same places.
    const std::vector<MenuEntry> plain = cmhost::VisibleEntries(items, 0);
    const std::vector<MenuEntry> optioned = cmhost::VisibleEntries(items, cmhost::kOptionHeld);
    menu.setToolTipsVisible(true);
    for (size_t i = 0; i < plain.size() && i < optioned.size(); ++i) {
        if (plain[i].kind == EntryKind::Submenu) {
            // A submenu is never an alternate nor has one. Its list is made when it first opens:
            // most lists of a large menu never are, and each costs widgets.
            QMenu* submenu = menu.addMenu(ActionText(plain[i].label));
            SetNameTip(*submenu->menuAction(), plain[i].label);
            const std::vector<MenuItem>* records = &plain[i].item->submenu;
            QObject::connect(
                submenu, &QMenu::aboutToShow, submenu, [this, submenu, records] { Fill(*submenu, *records); },
                Qt::SingleShotConnection);
            continue;
        }
        Slot slot{menu.addAction(QString()), plain[i], optioned[i]};
        slot.action->setData(static_cast<qulonglong>(mSlots.size()));
        Show(slot);
        mSlots.push_back(slot);
    }
}

void PopupMenu::Show(const Slot& slot) const
{
    const MenuEntry& entry = mOptionHeld ? slot.optioned : slot.plain;
    const bool separator = entry.kind == EntryKind::Separator;
    slot.action->setSeparator(separator);
    // A line shows no text ("-" is what the record has; the style would draw it beside the line).
    slot.action->setText(separator ? QString() : ActionText(entry.label));
    SetNameTip(*slot.action, separator ? std::string() : entry.label);
    slot.action->setEnabled(entry.kind == EntryKind::Command);
}

void PopupMenu::SetOptionHeld(bool held)
{
    if (held == mOptionHeld)
        return;
    mOptionHeld = held;
    for (const Slot& slot : mSlots) {
        // Only the places an alternate takes change; the rest stay as they are, highlight and all.
        if (slot.plain.item != slot.optioned.item)
            Show(slot);
    }
}

const MenuEntry* PopupMenu::EntryOf(const QAction* action) const
{
    if (action == nullptr || action->menu() != nullptr)
        return nullptr;
    bool ok = false;
    const qulonglong index = action->data().toULongLong(&ok);
    if (!ok || index >= mSlots.size() || mSlots[index].action != action)
        return nullptr;
    const Slot& slot = mSlots[index];
    return mOptionHeld ? &slot.optioned : &slot.plain;
}

const MenuItem* PopupMenu::ItemOf(const QAction* action) const
{
    const MenuEntry* entry = EntryOf(action);
    return entry != nullptr ? entry->item : nullptr;
}

std::optional<SInt32> PopupMenu::CommandOf(const QAction* action) const
{
    const MenuEntry* entry = EntryOf(action);
    if (entry == nullptr || entry->kind != EntryKind::Command)
        return std::nullopt;
    return entry->item->command;
}

}  // namespace popup
