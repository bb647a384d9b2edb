// The logo, the symbol images, the tray item built from them, and where the panel appears.

#include "app/AppLogo.h"
#include "app/PanelGeometry.h"
#include "app/SymbolIcon.h"
#include "app/TrayItem.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

using namespace quillstack;

static QImage solid(QSize size, QColor color = QColor(40, 90, 200)) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

TEST(AppLogo, ScalesDownKeepingItsShapeAndLoadsOnlyAGoodResource) {
    using Row = std::tuple<QSize, qreal, QSize>;
    for (const auto& [source, maxDimension, expected] :
         {Row{{1000, 500}, 18, {18, 9}}, Row{{500, 1000}, 18, {9, 18}}, Row{{16, 16}, 18, {16, 16}},
          Row{{1024, 1024}, 1023.5, {1024, 1024}}, // under 0.1 %: kept
          Row{{1024, 1024}, 1020, {1020, 1020}}, Row{{1000, 1}, 18, {18, 1}},
          Row{{1024, 1024}, 0, {1, 1}}}) {
        SCOPED_TRACE(maxDimension);
        EXPECT_EQ(scaledAppLogo(solid(source), maxDimension).size(), expected);
    }

    // The compiled resource: 1024 pixels with transparency, never enlarged.
    EXPECT_EQ(loadAppLogo(4096).value_or(QImage()).size(), QSize(1024, 1024));
    EXPECT_TRUE(loadAppLogo(4096).value_or(QImage()).hasAlphaChannel());
    EXPECT_EQ(loadAppLogo(18).value_or(QImage()).size(), QSize(18, 18));

    EXPECT_EQ(loadAppLogo(18, ":/no-such-logo.png"), std::nullopt);
}

TEST(SymbolIcon, EverySymbolRendersInItsTintAtAnySize) {
    const QColor tint(10, 200, 120);
    for (const char* name :
         {"text.alignleft", "curlybraces", "doc.richtext",
          "chevron.left.forwardslash.chevron.right", "photo", "paintpalette", "doc",
          "doc.on.clipboard", "line.3.horizontal.decrease.circle", "magnifyingglass", "gearshape",
          "trash", "paperclip.circle", "paperclip.circle.fill"}) {
        SCOPED_TRACE(name);
        const QImage image = SymbolIcon::image(name, tint, QSize(24, 24), 2.0);
        ASSERT_EQ(std::pair(image.size(), image.devicePixelRatio()), std::pair(QSize(48, 48), 2.0));
        int covered = 0; // drawn, in the tint only
        for (int i = 0; i < 48 * 48; ++i) {
            const QColor pixel = image.pixelColor(i % 48, i / 48);
            covered += pixel.alpha() == 255 ? 1 : 0;
            EXPECT_TRUE(pixel.alpha() < 255 || pixel.rgb() == tint.rgb()) << i;
        }
        EXPECT_GT(covered, 40);
    }
    EXPECT_TRUE(SymbolIcon::image("no.such.symbol", Qt::white, QSize(24, 24)).isNull());
    const QColor faint(255, 255, 255, 100); // translucent tints keep their alpha
    EXPECT_EQ(SymbolIcon::image("paperclip.circle.fill", faint, {24, 24}).pixelColor(12, 3), faint);
}

TEST(TrayItem, ShowsTheLogoTooltipAndTwoEntryMenu) {
    testing::internal::CaptureStderr();
    TrayItem item(solid({18, 18}, Qt::red));
    TrayItem withoutLogo(std::nullopt);
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(item.showsFallbackSymbol());
    EXPECT_FALSE(item.icon().icon().isNull());
    EXPECT_TRUE(withoutLogo.showsFallbackSymbol()); // the paperclip symbol
    EXPECT_FALSE(withoutLogo.icon().icon().isNull());
    QStringList texts;
    for (const QAction* action : item.menu().actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(texts, (QStringList{"Open Clipboard History", "-", "Quit Quillstack"}));

    // The offscreen platform has no tray: that is said once, however many items are made.
    const std::string message = TrayItem::missingTrayMessage().toStdString();
    EXPECT_EQ(err.find(message), err.rfind(message));
    EXPECT_NE(err.find(message), std::string::npos) << err;
    // Quit is followed through from the real tray's menu.
    QSignalSpy opens(&item, &TrayItem::openHistoryRequested);
    item.openHistoryAction()->trigger();
    EXPECT_EQ(opens.size(), 1);
}

// Points and frames have their origin at the bottom left; the panel is centred on the pointer
// and clamped 10 inside the visible frame of the screen under the pointer or else the main one.
// A screen holds its top pixel row, not the row below its bottom.
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
             Case{"near the right edge", {1820, 540}, {main}, 0, {1210, 305}},
             Case{"top row, in the bar", {400, 1080}, {main, second}, 1, {50, 575}},
             Case{"below the bottom row", {400, 0}, {main, second}, 1, {2000, -190}},
             Case{"second screen, by its dock", {2000, -150}, {main, second}, 0, {2000, -190}},
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
