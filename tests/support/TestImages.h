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

} // namespace quillstack::test
