// Where the dialog's widgets go: the interface file's frames scaled to the desktop's font, widgets
// that need more room growing about their frame's middle without covering their neighbours, and the
// window holding them all.
#include "dialogs/DialogLayout.h"

#include "popup/support/OffscreenApplication.h"

#include <QFont>
#include <QFontMetrics>

#include <gtest/gtest.h>

namespace {

using popup::ControlPlacement;
using popup::PlaceDialog;

TEST(DialogLayoutTest, ScaleFollowsTheFontAndNeverShrinks)
{
    popuptest::OffscreenApplication();
    QFont small;
    small.setPixelSize(6);
    QFont large;
    large.setPixelSize(40);
    EXPECT_EQ(popup::InterfaceScale(QFontMetrics(small)), 1.0);
    const double scale = popup::InterfaceScale(QFontMetrics(large));
    EXPECT_DOUBLE_EQ(scale, QFontMetrics(large).height() / popup::kInterfaceLineHeight);
    EXPECT_GT(scale, 2.0);
}

struct PlacementCase {
    const char* name;
    std::vector<ControlPlacement> controls;
    double scale;
    std::vector<QRect> widgets;
    QSize window;
};

TEST(DialogLayoutTest, WidgetsKeepTheirFramesUnlessTheyNeedMoreRoom)
{
    const PlacementCase cases[] = {
        {"frames large enough, at scale 1",
         {{QRectF(20, 14, 70, 16), QSize(40, 14)}, {QRectF(95, 12, 226, 22), QSize(100, 20)}}, 1.0,
         {QRect(20, 14, 70, 16), QRect(95, 12, 226, 22)}, QSize(360, 176)},
        {"frames scaled by one and a half",
         {{QRectF(20, 14, 70, 16), QSize(40, 14)}}, 1.5, {QRect(30, 21, 105, 24)}, QSize(540, 264)},
        {"the top row moved down from the window's edge, which grows",
         {{QRectF(20, 9, 70, 16), QSize(40, 14)}, {QRectF(95, 6, 226, 22), QSize(100, 20)}}, 1.0,
         {QRect(20, 15, 70, 16), QRect(95, 12, 226, 22)}, QSize(360, 182)},
        {"a taller widget grows about its frame's middle",
         {{QRectF(264, 140, 80, 20), QSize(70, 30)}}, 1.0, {QRect(264, 135, 80, 30)}, QSize(360, 181)},
        {"a wider widget pushes its right-hand neighbour on",
         {{QRectF(264, 140, 80, 20), QSize(20, 20)}, {QRectF(176, 140, 80, 20), QSize(100, 20)}}, 1.0,
         {QRect(284, 140, 80, 20), QRect(176, 140, 100, 20)}, QSize(380, 176)},
        {"a taller widget pushes the one below down",
         {{QRectF(95, 86, 240, 18), QSize(100, 30)}, {QRectF(95, 108, 240, 18), QSize(100, 18)}}, 1.0,
         {QRect(95, 80, 240, 30), QRect(95, 114, 240, 18)}, QSize(360, 176)},
        {"the window grows to hold what outgrew it",
         {{QRectF(300, 160, 50, 10), QSize(120, 40)}}, 1.0, {QRect(300, 145, 120, 40)}, QSize(436, 201)},
    };
    for (const PlacementCase& each : cases) {
        const popup::DialogPlacement placed = PlaceDialog(each.controls, QSizeF(360, 176), each.scale);
        EXPECT_EQ(placed.widgets, each.widgets) << each.name;
        EXPECT_EQ(placed.window, each.window) << each.name;
    }
}

}  // namespace
