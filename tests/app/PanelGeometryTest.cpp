#include "app/PanelGeometry.h"

#include <gtest/gtest.h>

using namespace quillstack;

namespace {

const QSizeF panel(700, 470);

// A 1920 x 1080 screen at the origin with a 25-point bar along its top.
PanelGeometry::Screen mainScreen() {
    return {QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1055)};
}

} // namespace

TEST(PanelGeometryTest, CentresOnThePointerAndClampsTenInsideTheVisibleFrame) {
    const QList<PanelGeometry::Screen> screens{mainScreen()};
    EXPECT_EQ(PanelGeometry::frame({960, 540}, panel, screens, 0), QRectF(610, 305, 700, 470));

    // 100 from the right edge: the right edge lies 10 inside it.
    const QRectF right = PanelGeometry::frame({1820, 540}, panel, screens, 0);
    EXPECT_DOUBLE_EQ(right.x(), 1920 - 710);
    EXPECT_DOUBLE_EQ(right.x() + right.width(), 1910);

    // In the bar at the very top: the top edge lies 10 below the visible frame's top.
    const QRectF top = PanelGeometry::frame({400, 1080}, panel, screens, 0);
    EXPECT_DOUBLE_EQ(top.y() + top.height(), 1055 - 10);
    EXPECT_DOUBLE_EQ(top.x(), 50);

    // Bottom left corner.
    EXPECT_EQ(PanelGeometry::frame({0, 0}, panel, screens, 0).topLeft(), QPointF(10, 10));
}

TEST(PanelGeometryTest, UsesTheScreenUnderThePointerOrTheMainScreen) {
    // A second screen to the right, lower and smaller, with a dock on its left.
    const PanelGeometry::Screen second{QRectF(1920, -200, 1280, 1024),
                                       QRectF(1990, -200, 1210, 1024)};
    const QList<PanelGeometry::Screen> screens{mainScreen(), second};
    const QRectF onSecond = PanelGeometry::frame({2000, -150}, panel, screens, 0);
    EXPECT_DOUBLE_EQ(onSecond.x(), 2000); // 1990 + 10
    EXPECT_DOUBLE_EQ(onSecond.y(), -190); // -200 + 10
    const QRectF farRight = PanelGeometry::frame({3190, 800}, panel, screens, 0);
    EXPECT_DOUBLE_EQ(farRight.x() + 700, 3190); // 3200 - 10
    EXPECT_DOUBLE_EQ(farRight.y() + 470, 814);  // -200 + 1024 - 10

    // Off every screen: the main screen clamps; without one nothing does.
    const QRectF off = PanelGeometry::frame({5000, 5000}, panel, screens, 0);
    EXPECT_EQ(off.topLeft(), QPointF(1920 - 710, 1055 - 480));
    EXPECT_EQ(PanelGeometry::frame({5000, 5000}, panel, screens, 1).topLeft(),
              QPointF(3200 - 710, 824 - 480));
    EXPECT_EQ(PanelGeometry::frame({5000, 5000}, panel, screens, std::nullopt).topLeft(),
              QPointF(4650, 4765));
    EXPECT_EQ(PanelGeometry::frame({5000, 5000}, panel, {}, 0).topLeft(), QPointF(4650, 4765));
}

TEST(PanelGeometryTest, AVisibleFrameSmallerThanThePanelKeepsItsRightAndTopEdges) {
    const QList<PanelGeometry::Screen> screens{{QRectF(0, 0, 600, 400), QRectF(0, 0, 600, 380)}};
    const QRectF frame = PanelGeometry::frame({300, 200}, panel, screens, 0);
    EXPECT_DOUBLE_EQ(frame.x(), 600 - 710);
    EXPECT_DOUBLE_EQ(frame.y(), 380 - 480);
    EXPECT_LT(frame.x(), 0); // its left part lies outside
}

TEST(PanelGeometryTest, ConvertsBetweenTheTwoConventions) {
    // A desktop from y = 0 to 1080 in Qt's coordinates.
    EXPECT_EQ(PanelGeometry::flipped(QPointF(10, 0), 0, 1080), QPointF(10, 1080));
    EXPECT_EQ(PanelGeometry::flipped(QPointF(10, 1080), 0, 1080), QPointF(10, 0));
    // Qt's top-left rectangle (100, 50, 700 x 470) has its bottom at 520.
    EXPECT_EQ(PanelGeometry::flipped(QRectF(100, 50, 700, 470), 0, 1080),
              QRectF(100, 560, 700, 470));
    const QRectF round = PanelGeometry::flipped(
        PanelGeometry::flipped(QRectF(3, -200, 20, 30), -200, 1080), -200, 1080);
    EXPECT_EQ(round, QRectF(3, -200, 20, 30));

    // A pointer on the top pixel row converts into the screen; the bottom row too.
    const QRectF screen = PanelGeometry::flipped(QRectF(0, 0, 1920, 1080), 0, 1080);
    EXPECT_TRUE(PanelGeometry::contains(screen, PanelGeometry::flipped(QPointF(5, 0), 0, 1080)));
    EXPECT_TRUE(PanelGeometry::contains(screen, PanelGeometry::flipped(QPointF(5, 1079), 0, 1080)));
    EXPECT_FALSE(PanelGeometry::contains(screen, QPointF(1920, 500)));
}
