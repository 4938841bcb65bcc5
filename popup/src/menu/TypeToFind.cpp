#include "menu/TypeToFind.h"

#include "menu/PopupMenu.h"

#include <QKeyEvent>
#include <QMenu>

namespace popup {

bool TypeToFind::eventFilter(QObject* watched, QEvent* event)
{
    // A key reaches the window before the list in it: each is taken once, at the list.
    if (event->type() != QEvent::KeyPress || qobject_cast<QMenu*>(watched) == nullptr)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<const QKeyEvent*>(event);
    const QString& found = mMenu.FoundText();
    if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (found.isEmpty())
            return false;
        mMenu.Find(found.chopped(1));
        return true;
    case Qt::Key_Escape:
        if (found.isEmpty())
            return false;
        mMenu.Find(QString());
        return true;
    default:
        break;
    }
    const QString text = key->text();
    if (text.size() != 1)
        return false;
    // A space first is Qt's way to pick the highlighted item; after a letter it parts words.
    const QChar typed = text.front();
    if (!typed.isLetterOrNumber() && !(typed == QLatin1Char(' ') && !found.isEmpty()))
        return false;
    mMenu.Find(found + typed);
    return true;
}

}  // namespace popup
