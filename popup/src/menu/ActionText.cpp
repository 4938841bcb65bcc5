#include "menu/ActionText.h"

#include <QTextBoundaryFinder>

#include <vector>

namespace popup {

QString ShownName(const QString& name)
{
    // Cut only between characters as they are read, never inside one.
    std::vector<qsizetype> boundaries;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, name);
    for (qsizetype at = characters.toNextBoundary(); at > 0; at = characters.toNextBoundary())
        boundaries.push_back(at);
    const auto count = static_cast<qsizetype>(boundaries.size());
    if (count <= kShownNameLimit)
        return name;
    const qsizetype headCount = kShownNameLimit / 2;
    const qsizetype tailCount = kShownNameLimit - headCount - 1;
    const qsizetype headEnd = boundaries[static_cast<size_t>(headCount - 1)];
    const qsizetype tailStart = boundaries[static_cast<size_t>(count - tailCount - 1)];
    return name.left(headEnd) + QChar(0x2026) + name.mid(tailStart);
}

QString ActionText(const std::string& utf8Label)
{
    QString text = ShownName(QString::fromStdString(utf8Label));
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

}  // namespace popup
