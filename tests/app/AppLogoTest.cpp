#include "app/AppLogo.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace quillstack;

namespace {
QImage solid(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(40, 90, 200));
    return image;
}
} // namespace

TEST(AppLogo, ScalingRules) {
    const QImage large = solid(1024, 1024);
    EXPECT_EQ(scaledAppLogo(large, 18).size(), QSize(18, 18));
    EXPECT_EQ(scaledAppLogo(large, 512).size(), QSize(512, 512));
    EXPECT_EQ(scaledAppLogo(solid(1000, 500), 18).size(), QSize(18, 9));
    EXPECT_EQ(scaledAppLogo(solid(500, 1000), 18).size(), QSize(9, 18));

    // Never enlarged, and a reduction of less than 0.1 % is skipped.
    const QImage small = solid(16, 16);
    EXPECT_EQ(scaledAppLogo(small, 18).cacheKey(), small.cacheKey());
    EXPECT_EQ(scaledAppLogo(large, 1023.5).size(), QSize(1024, 1024));
    EXPECT_EQ(scaledAppLogo(large, 1020).size(), QSize(1020, 1020));

    // Smooth: a uniform image stays uniform.
    EXPECT_EQ(scaledAppLogo(large, 18).pixelColor(9, 9), QColor(40, 90, 200));

    // Degenerate requests stay bounded.
    EXPECT_EQ(scaledAppLogo(solid(1000, 1), 18).size(), QSize(18, 1));
    EXPECT_EQ(scaledAppLogo(large, 0).size(), QSize(1, 1));
    EXPECT_TRUE(scaledAppLogo(QImage(), 18).isNull());
}

TEST(AppLogo, LoadsTheCompiledResource) {
    const std::optional<QImage> full = loadAppLogo(4096);
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->size(), QSize(1024, 1024));
    EXPECT_TRUE(full->hasAlphaChannel());

    const std::optional<QImage> menu = loadAppLogo(18);
    ASSERT_TRUE(menu.has_value());
    EXPECT_EQ(menu->size(), QSize(18, 18));
    EXPECT_EQ(loadAppLogo(512)->size(), QSize(512, 512));
}

TEST(AppLogo, MissingOrBrokenResourceGivesNothing) {
    EXPECT_EQ(loadAppLogo(18, ":/no-such-logo.png"), std::nullopt);
    EXPECT_EQ(loadAppLogo(1024, ":/no-such-logo.png"), std::nullopt);
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.png");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG\r\n\x1a\n not really");
    file.close();
    EXPECT_EQ(loadAppLogo(18, broken), std::nullopt);
}
