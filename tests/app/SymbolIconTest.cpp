#include "app/SymbolIcon.h"

#include <gtest/gtest.h>

using namespace quillstack;

namespace {
// The symbol names the panel and the tray use.
const QStringList symbolNames{"text.alignleft",
                              "curlybraces",
                              "doc.richtext",
                              "chevron.left.forwardslash.chevron.right",
                              "photo",
                              "paintpalette",
                              "doc",
                              "doc.on.clipboard",
                              "line.3.horizontal.decrease.circle",
                              "magnifyingglass",
                              "gearshape",
                              "trash",
                              "paperclip.circle",
                              "paperclip.circle.fill"};
} // namespace

TEST(SymbolIcon, EverySymbolRendersTintedAtAnySize) {
    const QColor tint(10, 200, 120);
    for (const QString& name : symbolNames) {
        ASSERT_TRUE(SymbolIcon::exists(name)) << qPrintable(name);
        const QImage image = SymbolIcon::image(name, tint, QSize(24, 24), 2.0);
        ASSERT_EQ(image.size(), QSize(48, 48)) << qPrintable(name);
        EXPECT_EQ(image.devicePixelRatio(), 2.0);
        int covered = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 255) {
                    ++covered;
                    EXPECT_EQ(pixel.rgb(), tint.rgb()) << qPrintable(name);
                }
            }
        }
        EXPECT_GT(covered, 40) << qPrintable(name); // drawn, in the tint only
        EXPECT_FALSE(SymbolIcon::icon(name, tint).isNull());
    }
}

TEST(SymbolIcon, UnknownNamesAndEmptySizes) {
    EXPECT_FALSE(SymbolIcon::exists("no.such.symbol"));
    EXPECT_FALSE(SymbolIcon::exists(""));
    EXPECT_TRUE(SymbolIcon::image("no.such.symbol", Qt::white, QSize(24, 24)).isNull());
    EXPECT_TRUE(SymbolIcon::image("doc", Qt::white, QSize(0, 24)).isNull());
    EXPECT_TRUE(SymbolIcon::icon("no.such.symbol", Qt::white).isNull());
    // Translucent tints keep their alpha.
    const QImage faint =
        SymbolIcon::image("paperclip.circle.fill", QColor(255, 255, 255, 100), QSize(24, 24));
    EXPECT_EQ(faint.pixelColor(12, 3).alpha(), 100);
}
