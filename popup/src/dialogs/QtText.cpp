#include "dialogs/QtText.h"

#include "common/TextConversion.h"

#include <QFontMetrics>
#include <QStringList>
#include <QTextBoundaryFinder>

namespace popup {

QString QStringFromCF(CFStringRef string)
{
    if (string == nullptr)
        return {};
    return QString::fromStdString(cmhost::UTF8FromString(string));
}

platform::CFOwner<CFStringRef> CFStringFromQString(const QString& text)
{
    return cmhost::CreateStringFromUTF8(text.toStdString());
}

QString WithoutMnemonics(const QString& label)
{
    QString escaped = label;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString WrappablePath(const QString& path, const QFontMetrics& metrics, int width)
{
    // A word joiner between every two characters forbids a break there; a zero-width space after
    // each '/' allows one. Neither shows.
    const QChar joiner(0x2060);
    const QChar breakable(0x200B);
    QString wrappable;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            wrappable += joiner + QLatin1Char('/') + breakable;
        QString part = parts[i];
        if (metrics.horizontalAdvance(part) > width)
            part = metrics.elidedText(part, Qt::ElideMiddle, width);
        // Joined only between whole characters: an accent stays with its letter.
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, part);
        qsizetype from = 0;
        for (qsizetype at = characters.toNextBoundary(); at > 0; at = characters.toNextBoundary()) {
            wrappable += (from > 0 ? QString(joiner) : QString()) + part.mid(from, at - from);
            from = at;
        }
    }
    return wrappable;
}

}  // namespace popup
