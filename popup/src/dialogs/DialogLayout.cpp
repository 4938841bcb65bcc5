#include "dialogs/DialogLayout.h"

#include "user/DialogModel.h"

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

// The frames and the window's size with every row of hidden controls taken out: what lies below such a
// row moves up by the room from the row above it (or the window's top) to the hidden row's bottom.
// takesRoom: false for the controls so taken out.
std::vector<QRectF> WithoutHiddenRows(const std::vector<ControlPlacement>& controls, QSizeF& windowSize,
                                      std::vector<bool>& takesRoom)
{
    takesRoom.assign(controls.size(), true);
    std::vector<QRectF> frames;
    for (const ControlPlacement& control : controls)
        frames.push_back(control.frame);
    std::vector<size_t> hidden;
    for (size_t i = 0; i < controls.size(); ++i)
        if (!controls[i].shown)
            hidden.push_back(i);
    // From the bottom up, so that a row taken out moves nothing that is still to be looked at.
    std::stable_sort(hidden.begin(), hidden.end(), [&](size_t a, size_t b) { return frames[a].top() > frames[b].top(); });
    for (size_t h : hidden) {
        const QRectF row = frames[h];
        double above = 0;
        bool alongside = false;
        for (size_t i = 0; i < controls.size(); ++i) {
            if (!controls[i].shown)
                continue;
            if (frames[i].bottom() <= row.top())
                above = std::max(above, frames[i].bottom());
            else if (frames[i].top() < row.bottom())
                alongside = true;
        }
        if (alongside)
            continue;
        takesRoom[h] = false;
        const double room = row.bottom() - above;
        for (size_t i = 0; i < frames.size(); ++i)
            if (frames[i].top() >= row.bottom())
                frames[i].translate(0, -room);
        windowSize.setHeight(windowSize.height() - room);
    }
    return frames;
}

}  // namespace

bool SameRow(const QRect& a, const QRect& b)
{
    return cmhost::InOneRow(a.center().y(), a.height(), b.center().y(), b.height());
}

void ArrangeInRow(const std::vector<QRect*>& widgets)
{
    std::vector<QRect> before;
    for (const QRect* widget : widgets)
        before.push_back(*widget);
    std::stable_sort(before.begin(), before.end(), [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
    int left = before.empty() ? 0 : before.front().left();
    for (size_t i = 0; i < widgets.size(); ++i) {
        widgets[i]->moveLeft(left);
        if (i + 1 < before.size())
            left += widgets[i]->width() + (before[i + 1].left() - before[i].right() - 1);
    }
}

double InterfaceScale(const QFontMetrics& metrics)
{
    return std::max(1.0, metrics.height() / kInterfaceLineHeight);
}

DialogPlacement PlaceDialog(const std::vector<ControlPlacement>& controls, QSizeF windowSize, double scale)
{
    DialogPlacement placement;
    std::vector<bool> takesRoom;
    const std::vector<QRectF> frames = WithoutHiddenRows(controls, windowSize, takesRoom);
    for (size_t i = 0; i < controls.size(); ++i) {
        const QRectF& frame = frames[i];
        const int width = std::max(Scaled(frame.width(), scale), controls[i].wanted.width());
        const int height = std::max(Scaled(frame.height(), scale), controls[i].wanted.height());
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
            if (!takesRoom[order[i]] || !takesRoom[order[j]])
                continue;
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
            if (!takesRoom[order[i]] || !takesRoom[order[j]])
                continue;
            const bool sideBySide = widget.right() < above.left() || widget.left() > above.right();
            if (!sideBySide && !SameRow(above, widget) && widget.top() <= above.bottom())
                widget.moveTop(above.bottom() + 1 + kDialogSpacing / 2);
        }
    }

    QSize window(Scaled(windowSize.width(), scale), Scaled(windowSize.height(), scale));
    int top = window.height();
    for (size_t i = 0; i < controls.size(); ++i)
        if (takesRoom[i])
            top = std::min(top, placement.widgets[i].top());
    if (const int lower = Scaled(kTopMargin, scale) - top; lower > 0 && !placement.widgets.empty()) {
        for (QRect& widget : placement.widgets)
            widget.translate(0, lower);
        window.setHeight(window.height() + lower);
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        if (!takesRoom[i])
            continue;
        const QRect& widget = placement.widgets[i];
        window.setWidth(std::max(window.width(), widget.right() + 1 + kDialogSpacing * 2));
        window.setHeight(std::max(window.height(), widget.bottom() + 1 + kDialogSpacing * 2));
    }
    placement.window = window;
    return placement;
}

}  // namespace popup
