#pragma once

#include <QByteArray>
#include <QImage>

namespace quillstack::test {

// A width x height image in one colour.
QImage filled(int width, int height);

// The image saved in the given format ("PNG", "TIFF", "BMP", ...).
QByteArray encoded(const QImage& image, const char* format);

// The PNG file of a filled image.
QByteArray pngOf(int width, int height);

// A valid black-and-white PNG of any size, built without an image in memory: one of
// 9000 x 9000 pixels, over the decoding limit, takes some 20 KB.
QByteArray bilevelPNG(quint32 width, quint32 height);

} // namespace quillstack::test
