#include "menu/PathColumnStyle.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace popup {

void PathColumnStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    const qsizetype tab = item != nullptr && element == CE_MenuItem ? item->text.indexOf(QLatin1Char('\t')) : -1;
    if (tab < 0) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The item as the style draws it without its column; the size it was given still has room.
    QStyleOptionMenuItem name(*item);
    name.text = item->text.left(tab);
    QProxyStyle::drawControl(element, &name, painter, widget);

    QColor color = (item->state & State_Selected) ? item->palette.highlightedText().color()
                                                  : item->palette.text().color();
    color.setAlphaF(0.55f);
    const int margin = 2 * pixelMetric(PM_MenuHMargin, option, widget) + 12;
    painter->save();
    painter->setPen(color);
    painter->setFont(item->font);
    painter->drawText(item->rect.adjusted(0, 0, -margin, 0), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                      item->text.mid(tab + 1));
    painter->restore();
}

}  // namespace popup
