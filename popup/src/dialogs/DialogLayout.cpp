#include "dialogs/DialogLayout.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace popup {
namespace {

int Scaled(double points, double scale)
{
    return static_cast<int>(std::lround(points * scale));
}

// Two widgets share a row when each one's middle lies within the other's height.
bool SameRow(const QRect& a, const QRect& b)
{
    return std::abs(a.center().y() - b.center().y()) * 2 < std::min(a.height(), b.height());
}

}  // namespace

double InterfaceScale(const QFontMetrics& metrics)
{
    return std::max(1.0, metrics.height() / kInterfaceLineHeight);
}

DialogPlacement PlaceDialog(const std::vector<ControlPlacement>& controls, QSizeF windowSize, double scale)
{
    DialogPlacement placement;
    for (const ControlPlacement& control : controls) {
        const QRectF& frame = control.frame;
        const int width = std::max(Scaled(frame.width(), scale), control.wanted.width());
        const int height = std::max(Scaled(frame.height(), scale), control.wanted.height());
        // The widget keeps its frame's left edge and vertical middle.
        const int left = Scaled(frame.left(), scale);
        const int top = std::max(0, Scaled(frame.top() + frame.height() / 2, scale) - height / 2);
        placement.widgets.emplace_back(left, top, width, height);
    }

    // Left to right within each row: a widget that grew into its right-hand neighbour moves it on.
    std::vector<size_t> order(controls.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return placement.widgets[a].left() < placement.widgets[b].left(); });
    for (size_t i = 0; i < order.size(); ++i) {
        QRect& widget = placement.widgets[order[i]];
        for (size_t j = 0; j < i; ++j) {
            const QRect& before = placement.widgets[order[j]];
            if (SameRow(before, widget) && widget.left() <= before.right() + kDialogSpacing / 2)
                widget.moveLeft(before.right() + 1 + kDialogSpacing);
        }
    }
    // Top to bottom: a widget that grew into the one below moves it down, the rows below with it.
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return placement.widgets[a].top() < placement.widgets[b].top(); });
    for (size_t i = 0; i < order.size(); ++i) {
        QRect& widget = placement.widgets[order[i]];
        for (size_t j = 0; j < i; ++j) {
            const QRect& above = placement.widgets[order[j]];
            const bool sideBySide = widget.right() < above.left() || widget.left() > above.right();
            if (!sideBySide && !SameRow(above, widget) && widget.top() <= above.bottom())
                widget.moveTop(above.bottom() + 1 + kDialogSpacing / 2);
        }
    }

    QSize window(Scaled(windowSize.width(), scale), Scaled(windowSize.height(), scale));
    int top = window.height();
    for (const QRect& widget : placement.widgets)
        top = std::min(top, widget.top());
    if (const int lower = Scaled(kTopMargin, scale) - top; lower > 0 && !placement.widgets.empty()) {
        for (QRect& widget : placement.widgets)
            widget.translate(0, lower);
        window.setHeight(window.height() + lower);
    }
    for (const QRect& widget : placement.widgets) {
        window.setWidth(std::max(window.width(), widget.right() + 1 + kDialogSpacing * 2));
        window.setHeight(std::max(window.height(), widget.bottom() + 1 + kDialogSpacing * 2));
    }
    placement.window = window;
    return placement;
}

}  // namespace popup
