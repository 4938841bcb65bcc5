#include "desktop/Notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QStringList>
#include <QVariantMap>

namespace popup {
namespace {

// For all the notifications of one pick together.
constexpr qint64 kAnswerLimitMilliseconds = 1000;

}  // namespace

int ShowNotifications(const std::vector<std::string>& sentences)
{
    if (sentences.empty())
        return 0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return 0;
    QElapsedTimer elapsed;
    elapsed.start();
    int shown = 0;
    for (const std::string& sentence : sentences) {
        const qint64 left = kAnswerLimitMilliseconds - elapsed.elapsed();
        if (left <= 0)
            break;
        QDBusMessage notify = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
        // The icon and the desktop entry the popup is installed with.
        const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("stashwell-popup")}};
        notify << QStringLiteral("Stashwell") << 0u << QStringLiteral("edit-paste") << QString::fromStdString(sentence) << QString()
               << QStringList() << hints << -1;
        const QDBusMessage answer = bus.call(notify, QDBus::Block, static_cast<int>(left));
        if (answer.type() == QDBusMessage::ReplyMessage)
            ++shown;
    }
    return shown;
}

}  // namespace popup
