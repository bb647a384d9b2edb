#include "app/PanelGeometry.h"

#include <gtest/gtest.h>

using namespace quillstack;

// Points and frames have their origin at the bottom left; the panel is centred on the pointer
// and clamped 10 inside the visible frame of the screen under the pointer or else the main one.
TEST(PanelGeometryTest, CentresOnThePointerAndClampsTenInsideTheVisibleFrame) {
    // A main screen with a bar along its top; a smaller one to its right, lower, docked left.
    const PanelGeometry::Screen main{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1055)};
    const PanelGeometry::Screen second{QRectF(1920, -200, 1280, 1024),
                                       QRectF(1990, -200, 1210, 1024)};
    const PanelGeometry::Screen small{QRectF(0, 0, 600, 400), QRectF(0, 0, 600, 380)};
    struct Case {
        const char* what;
        QPointF pointer;
        QList<PanelGeometry::Screen> screens;
        std::optional<qsizetype> mainIndex;
        QPointF expected;
    };
    for (const Case& c : {
             Case{"centred", {960, 540}, {main}, 0, {610, 305}},
             Case{"near the right edge", {1820, 540}, {main}, 0, {1210, 305}},
             Case{"in the bar", {400, 1080}, {main}, 0, {50, 575}},
             Case{"bottom left corner", {0, 0}, {main}, 0, {10, 10}},
             Case{"second screen, by its dock", {2000, -150}, {main, second}, 0, {2000, -190}},
             Case{"second screen, right edge", {3190, 800}, {main, second}, 0, {2490, 344}},
             Case{"off every screen", {5000, 5000}, {main, second}, 0, {1210, 575}},
             Case{"off, second is main", {5000, 5000}, {main, second}, 1, {2490, 344}},
             Case{"off, no main screen", {5000, 5000}, {main, second}, std::nullopt, {4650, 4765}},
             Case{"no screens", {5000, 5000}, {}, 0, {4650, 4765}},
             // Smaller than the panel: the right and top edges are kept.
             Case{"small screen", {300, 200}, {small}, 0, {-110, -100}},
         }) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PanelGeometry::frame(c.pointer, {700, 470}, c.screens, c.mainIndex),
                  QRectF(c.expected, QSizeF(700, 470)));
    }
}

// A pointer on the top or bottom pixel row of a screen, converted, lies in the screen converted.
TEST(PanelGeometryTest, ConvertedPointsOnTheEdgeRowsStayInTheirScreen) {
    const QRectF screen = PanelGeometry::flipped(QRectF(0, 0, 1920, 1080), 0, 1080);
    EXPECT_EQ(screen, QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(PanelGeometry::flipped(QRectF(100, 50, 700, 470), -200, 1080),
              QRectF(100, 360, 700, 470));
    EXPECT_TRUE(PanelGeometry::contains(screen, PanelGeometry::flipped(QPointF(5, 0), 0, 1080)));
    EXPECT_TRUE(PanelGeometry::contains(screen, PanelGeometry::flipped(QPointF(5, 1079), 0, 1080)));
    EXPECT_FALSE(PanelGeometry::contains(screen, QPointF(1920, 500)));
}
