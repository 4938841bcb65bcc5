#include "menu/PopupMenu.h"

#include "menu/ActionText.h"
#include "menu/ClipFinder.h"
#include "menu/PathColumnStyle.h"

#include <QScreen>

namespace popup {
namespace {

// As many found entries as a list can show on a small screen; typing more narrows the rest.
constexpr size_t kFoundShown = 25;

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
    : mItems(items),
      mStyle(std::make_unique<PathColumnStyle>()),
      mTop(std::make_unique<QMenu>()),
      mOptionHeld(optionHeld)
{
    // Set before the list shows: a style changed on a list on the screen has the desktop take the
    // focus from it, which closes it.
    mTop->setStyle(mStyle.get());
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
        Slot slot{menu.addAction(QString()), plain[i], optioned[i], QString()};
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
    QString text = separator ? QString() : ActionText(entry.label);
    if (!slot.column.isEmpty())
        text += QLatin1Char('\t') + slot.column;
    slot.action->setText(text);
    SetNameTip(*slot.action, separator ? std::string() : entry.label);
    slot.action->setEnabled(entry.kind == EntryKind::Command);
}

void PopupMenu::Find(const QString& text)
{
    const bool wasFinding = !mFoundText.isEmpty();
    if (!wasFinding) {
        mOwnActions = mTop->actions();
        mFoundSlots = mSlots.size();
    }
    // What showed the last text goes only once the new text shows: a list left with nothing to
    // show loses its window on the screen, and the keyboard with it, which closes the menu.
    std::vector<QAction*> shown = std::move(mFoundLines);
    mFoundLines.clear();
    for (size_t i = mFoundSlots; i < mSlots.size(); ++i)
        shown.push_back(mSlots[i].action);
    mSlots.resize(mFoundSlots);
    mFoundText = text;

    if (text.isEmpty()) {
        for (QAction* action : mOwnActions)
            action->setVisible(true);
    } else {
        if (!mFinder)
            mFinder = std::make_unique<ClipFinder>(mItems);
        size_t matched = 0;
        const std::vector<const FoundEntry*> found = mFinder->Find(text, kFoundShown, &matched);
        QAction* line = mTop->addAction(QStringLiteral("Find: %1").arg(text));
        line->setEnabled(false);
        mFoundLines.push_back(line);
        mFoundLines.push_back(mTop->addSeparator());
        for (const FoundEntry* entry : found) {
            Slot slot{mTop->addAction(QString()), entry->plain, entry->optioned, entry->path};
            slot.action->setData(static_cast<qulonglong>(mSlots.size()));
            Show(slot);
            mSlots.push_back(slot);
        }
        if (found.empty() || matched > found.size()) {
            QAction* rest = mTop->addAction(found.empty() ? QStringLiteral("No clip is named so")
                                                          : QStringLiteral("%1 more: type more to narrow them")
                                                                .arg(matched - found.size()));
            rest->setEnabled(false);
            mFoundLines.push_back(rest);
        }
        if (!wasFinding) {
            for (QAction* action : mOwnActions) {
                if (action->menu() != nullptr)
                    action->menu()->hide();
                action->setVisible(false);
            }
        }
    }
    for (QAction* action : shown)
        delete action;
    mTop->setActiveAction(text.isEmpty() || mSlots.size() == mFoundSlots ? nullptr : mSlots[mFoundSlots].action);
    Refit();
}

void PopupMenu::FixSize()
{
    mFixedSize = true;
    mTop->setFixedSize(mTop->sizeHint());
}

void PopupMenu::Refit()
{
    if (mFixedSize) {
        mTop->setFixedSize(mTop->sizeHint());
        return;
    }
    mTop->resize(mTop->sizeHint());
    const QScreen* screen = mTop->screen();
    if (screen == nullptr || !mTop->isVisible())
        return;
    const QRect room = screen->availableGeometry();
    QRect frame = mTop->geometry();
    if (frame.bottom() > room.bottom())
        frame.moveBottom(room.bottom());
    if (frame.right() > room.right())
        frame.moveRight(room.right());
    frame.moveTopLeft(QPoint(std::max(frame.left(), room.left()), std::max(frame.top(), room.top())));
    mTop->move(frame.topLeft());
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
