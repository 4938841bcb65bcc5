// The look of a found clip in the menu: its name as any item's, and the submenus that hold it on
// the right, dimmed, where a shortcut would stand. Used only by the list that shows found clips.
#pragma once

#include <QProxyStyle>

namespace popup {

class PathColumnStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};

}  // namespace popup
