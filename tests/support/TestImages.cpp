#include "support/TestImages.h"

#include <QBuffer>

namespace quillstack::test {

QImage filled(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray pngOf(int width, int height) {
    return encoded(filled(width, height), "PNG");
}

} // namespace quillstack::test
