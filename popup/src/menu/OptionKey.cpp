#include "menu/OptionKey.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <optional>

namespace popup {
namespace {

// Whether Alt is held according to one event; nullopt when the event says nothing of it.
std::optional<bool> AltHeldAfter(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto& key = static_cast<const QKeyEvent&>(event);
        // The event of the Alt key itself carries the state before it; its kind says the state after.
        if (key.key() == Qt::Key_Alt)
            return event.type() == QEvent::KeyPress;
        return key.modifiers().testFlag(Qt::AltModifier);
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        // A release of Alt that happened while another client had the keyboard shows here.
        return static_cast<const QMouseEvent&>(event).modifiers().testFlag(Qt::AltModifier);
    default:
        return std::nullopt;
    }
}

}  // namespace

OptionKeyWatcher::OptionKeyWatcher(bool held, std::function<void(bool)> changed)
    : mHeld(held), mChanged(std::move(changed))
{
}

bool OptionKeyWatcher::eventFilter(QObject* watched, QEvent* event)
{
    const std::optional<bool> held = AltHeldAfter(*event);
    if (held && *held != mHeld) {
        mHeld = *held;
        mChanged(mHeld);
    }
    // Alt is the Option key here and nothing else: Qt's menu would take Alt alone for Escape (or
    // for a menu bar's) and close the list it was pressed in.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        return static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Alt;
    return QObject::eventFilter(watched, event);
}

bool AltHeldNow()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
}

}  // namespace popup
