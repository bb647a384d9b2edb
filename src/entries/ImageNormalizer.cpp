#include "entries/ImageNormalizer.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include <cmath>

namespace quillstack {

namespace {

// Enough for the largest accepted image at 8 bytes per pixel (16-bit channels).
constexpr int allocationLimitMB = int(ImageNormalizer::maxDecodedPixels * 8 / (1024 * 1024));

} // namespace

std::optional<QImage> ImageNormalizer::decode(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(allocationLimitMB);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() ||
        qint64(size.width()) * size.height() > maxDecodedPixels) {
        return std::nullopt;
    }
    QImage image;
    if (!reader.read(&image) || image.isNull() ||
        qint64(image.width()) * image.height() > maxDecodedPixels) {
        return std::nullopt;
    }
    return image;
}

QSize ImageNormalizer::scaledSize(QSize size, int maxDimension) {
    const double w = size.width();
    const double h = size.height();
    const double longest = std::max(w, h);
    if (longest <= 0) {
        return size;
    }
    const double scale = double(maxDimension) / longest;
    if (scale >= 0.999) {
        return size;
    }
    return QSize(int(std::floor(w * scale)), int(std::floor(h * scale)));
}

std::optional<QByteArray> ImageNormalizer::encodePNG(const QImage& image) {
    if (image.isNull()) {
        return std::nullopt;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        return std::nullopt;
    }
    return png;
}

std::optional<QByteArray> ImageNormalizer::pasteablePNG(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.format() == "png") {
        const QSize size = reader.size(); // the header only
        if (size.isValid() && !size.isEmpty()) {
            return bytes;
        }
        return std::nullopt;
    }
    const std::optional<QImage> image = decode(bytes);
    return image ? encodePNG(*image) : std::nullopt;
}

std::optional<QByteArray> ImageNormalizer::pngData(const QImage& image, int maxDimension) {
    if (image.isNull()) {
        return std::nullopt;
    }
    const QSize target = scaledSize(image.size(), maxDimension);
    if (target == image.size()) {
        return encodePNG(image);
    }
    if (target.isEmpty()) {
        // Too thin to scale to a whole pixel: keep the image as it is.
        return encodePNG(image);
    }
    const QImage scaled = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) {
        return encodePNG(image);
    }
    return encodePNG(scaled);
}

} // namespace quillstack
