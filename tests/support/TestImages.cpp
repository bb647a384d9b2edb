#include "support/TestImages.h"

#include <QBuffer>
#include <QtEndian>

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

namespace {

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

QByteArray chunk(const QByteArray& type, const QByteArray& payload) {
    QByteArray length(4, '\0');
    qToBigEndian(quint32(payload.size()), length.data());
    const QByteArray body = type + payload;
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(body), crc.data());
    return length + body + crc;
}

} // namespace

QByteArray bilevelPNG(quint32 width, quint32 height) {
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 1; // bit depth
    header[9] = 0; // grey
    // Each row: filter type 0, then the packed bits (all black).
    const QByteArray rows(qsizetype(height) * (1 + (qsizetype(width) + 7) / 8), '\0');
    const QByteArray zlibStream = qCompress(rows, 9).mid(4); // without Qt's length prefix
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", zlibStream) +
           chunk("IEND", {});
}

} // namespace quillstack::test
