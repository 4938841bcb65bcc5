// Where the widgets of a dialog go: the interface file places each control in points, drawn for a
// system font whose lines are 16 points high. The desktop's font may be larger (a high-resolution
// screen, a user's larger font), and its widgets want more room than the original controls did:
// the frames are scaled to the font, a widget that needs more room than its frame grows about its
// frame's middle, and widgets that would then overlap in a row are pushed apart.
#pragma once

#include <QRect>
#include <QSize>

#include <vector>

class QFontMetrics;

namespace popup {

// The line height, in points, that the interface file's frames were drawn for.
inline constexpr double kInterfaceLineHeight = 16;
// The room kept between widgets pushed apart, and around the window's content.
inline constexpr int kDialogSpacing = 8;
// The least room above the first row, in the file's points: the original window's title bar gave
// its top row room that a window drawn from the frames alone lacks.
inline constexpr double kTopMargin = 12;

// How much larger than the file's points the dialog is drawn with this font; never below 1.
double InterfaceScale(const QFontMetrics& metrics);

struct ControlPlacement {
    QRectF frame;  // in the window's points, as the interface file gives it
    QSize wanted;  // what the widget needs at least (its size hint)
    bool shown = true;
};

struct DialogPlacement {
    std::vector<QRect> widgets;  // in the order of the controls given
    QSize window;
};

// windowSize: the window's own size in points; every widget is kept inside the window, which grows
// when the widgets need more room. A row whose controls are all hidden takes no room: the rows below
// it move up and the window is that much shorter (its hidden widgets keep their place, unseen).
DialogPlacement PlaceDialog(const std::vector<ControlPlacement>& controls, QSizeF windowSize, double scale);

// Two widgets share a row by the rule the dialog's reading order uses (cmhost::InOneRow).
bool SameRow(const QRect& a, const QRect& b);

// Puts the widgets, given in the order wanted from left to right, in the places they take now: the
// leftmost starts where the leftmost started, and the gaps between them stay as they were.
void ArrangeInRow(const std::vector<QRect*>& widgets);

}  // namespace popup
