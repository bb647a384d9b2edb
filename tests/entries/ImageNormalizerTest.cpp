#include "entries/ImageNormalizer.h"
#include "support/TestEnvironment.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace quillstack;

namespace {

std::optional<QImage> normalised(const QImage& image) {
    const auto png = ImageNormalizer::pngData(image, 1800);
    if (!png) {
        return std::nullopt;
    }
    EXPECT_TRUE(png->startsWith("\x89PNG"));
    return ImageNormalizer::decode(*png);
}

} // namespace

TEST(ImageNormalizer, ScaledSizes) {
    const auto scaled = [](int w, int h) { return ImageNormalizer::scaledSize(QSize(w, h), 1800); };
    EXPECT_EQ(scaled(3600, 1200), QSize(1800, 600));
    EXPECT_EQ(scaled(1000, 3000), QSize(600, 1800));
    EXPECT_EQ(scaled(4000, 3000), QSize(1800, 1350));
    EXPECT_EQ(scaled(7000, 3500), QSize(1799, 899));  // 7000 * (1800 / 7000) < 1800
    EXPECT_EQ(scaled(1801, 1801), QSize(1801, 1801)); // within the tolerance
    EXPECT_EQ(scaled(1802, 901), QSize(1800, 900));
    EXPECT_EQ(scaled(1, 1), QSize(1, 1));
    EXPECT_EQ(scaled(640, 480), QSize(640, 480)); // never enlarged
    EXPECT_EQ(scaled(0, 0), QSize(0, 0));
}

TEST(ImageNormalizer, EncodesAndScales) {
    QImage source(3600, 1200, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    QPainter(&source).fillRect(0, 0, 1800, 1200, QColor(255, 0, 0, 128));
    const auto big = normalised(source);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size(), QSize(1800, 600));
    EXPECT_TRUE(big->hasAlphaChannel());
    EXPECT_EQ(qAlpha(big->pixel(1799, 300)), 0);
    EXPECT_NEAR(qAlpha(big->pixel(100, 300)), 128, 2);
    EXPECT_NEAR(qRed(big->pixel(100, 300)), 255, 2);

    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(Qt::blue);
    const auto one = normalised(pixel);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->size(), QSize(1, 1));
    EXPECT_EQ(one->pixel(0, 0), QColor(Qt::blue).rgb());

    EXPECT_EQ(normalised(QImage(1801, 4, QImage::Format_RGB32))->size(), QSize(1801, 4));
    EXPECT_EQ(normalised(QImage(1802, 10, QImage::Format_RGB32))->size(), QSize(1800, 9));
    // Too thin to keep a whole pixel when scaled: kept at its own size.
    EXPECT_EQ(normalised(QImage(4000, 1, QImage::Format_RGB32))->size(), QSize(4000, 1));
    EXPECT_FALSE(ImageNormalizer::pngData(QImage(), 1800));
}
